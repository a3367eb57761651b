// Ten thousand random meshes from fixed seeds, written as XML and read back.
// Coordinates include -0, the null real, denormals, the infinities, NaN, +-1e300 and
// +-1e-300; vertex indices include KELM_NONE and numbers past the vertex list. Read
// back, vertices agree bit for bit, facet indices exactly, faces with their colours
// and attributes exactly, and corner normals within 1e-14 relative (they are written
// with 15 digits), the k-th written normal of a facet landing on corner k.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"
#include "kelmmath/meshio/xml_writer.h"

namespace {

class Drawer {
public:
    explicit Drawer(uint32_t seed) : gen_(seed) {}
    uint32_t below(uint32_t n) { return gen_() % n; }
    uint64_t bits() { return (static_cast<uint64_t>(gen_()) << 32) | gen_(); }

    double real(bool normal = false) {
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        switch (below(16)) {
            case 0:
                return -0.0;
            case 1:
                return KELM_NULL_REAL;
            case 2:
                return std::numeric_limits<double>::denorm_min() * (1 + below(1000));
            case 3: {  // any denormal
                const uint64_t b = bits() & 0x800FFFFFFFFFFFFFull;
                double d;
                std::memcpy(&d, &b, sizeof d);
                return d;
            }
            case 4:
                return below(2) ? inf : -inf;
            case 5:
                return below(2) ? nan : -nan;
            case 6:
                return below(2) ? 1e300 : -1e300;
            case 7:
                return below(2) ? 1e-300 : -1e-300;
            case 8:
                // 15 digits of the largest double round past it: a normal written so
                // would read back infinite, so normals draw 1e308 instead.
                if (normal) return below(2) ? 1e308 : -1e308;
                return below(2) ? DBL_MAX : -DBL_MAX;
            case 9: {  // any finite double
                uint64_t b;
                double d;
                do {
                    b = bits();
                    std::memcpy(&d, &b, sizeof d);
                } while (!std::isfinite(d));
                return d;
            }
            case 10:
                return 0.0;
            default:
                return (static_cast<double>(gen_()) - 2147483648.0) / (1 + below(1000));
        }
    }

    std::string text() {
        static const char* pieces[] = {"a",  "wheel", " ",  "&",        "<",   ">",     "\"",  "'",
                                       "\t", "\n",    "\r", "\xc3\xa9", "]]>", "&amp;", "x y", "0"};
        std::string s;
        for (uint32_t n = below(6); n > 0; --n) s += pieces[below(16)];
        return s;
    }

private:
    std::mt19937 gen_;
};

bool same_bits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool close_normal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b)) return a == b;
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

struct Attr {
    std::string name, value;
};

std::vector<Attr> attributes_of(const KelmMeshFace* face) {
    std::vector<Attr> out;
    const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(face);
    if (atts == nullptr) return out;
    for (unsigned i = 0; i < atts->getAttributes().size(); ++i) {
        const KelmMeshShellFaceAttribute* a = atts->getAttributes().get(i);
        out.push_back({kelm_hostile::text_of(a->name), kelm_hostile::text_of(a->value)});
    }
    return out;
}

// Builds mesh number `seed`; returns false when the written mesh has faces.
bool make_mesh(uint32_t seed, KelmMeshFacetSet& fs, std::string& id, unsigned& color) {
    Drawer draw(seed);
    const unsigned nv = draw.below(12);
    for (unsigned i = 0; i < nv; ++i) {
        const double p[3] = {draw.real(), draw.real(), draw.real()};
        fs.createVertex(p);
    }
    if (nv > 0 && draw.below(4) == 0) fs.deleteVertex(draw.below(nv));
    const unsigned nn = draw.below(6);
    for (unsigned i = 0; i < nn; ++i) {
        const double n[3] = {draw.real(true), draw.real(true), draw.real(true)};
        fs.createNormal(n);
    }
    const unsigned nf = draw.below(10);
    for (unsigned i = 0; i < nf; ++i) {
        KelmMeshFacet* f = fs.createFacet(nullptr);
        for (unsigned k = 0; k < 3; ++k) {
            const uint32_t r = draw.below(20);
            f->vertex[k] = r == 0   ? KELM_NONE
                           : r == 1 ? 0x80000000u
                           : r == 2 ? nv + 5
                                    : draw.below(nv + 1);
            f->normal[k] = (nn == 0 || draw.below(2)) ? KELM_NONE : draw.below(nn);
        }
    }
    id = draw.text();
    color = draw.below(3) == 0 ? KELM_NO_COLOR : static_cast<unsigned>(draw.below(0x1000000));
    if (draw.below(2) == 0) return false;
    // Faces that cover the facets in order, with colours and attributes.
    for (unsigned first = 0; first < nf || first == 0;) {
        const unsigned count = nf == 0 ? 0 : 1 + draw.below(nf - first);
        KelmMeshFace* face = fs.createFace(first, count);
        if (draw.below(2)) {
            unsigned c = static_cast<unsigned>(draw.bits());
            if (c == KELM_NO_COLOR) c = 0x123456u;
            face->addProp(new KelmMeshFaceColor(c));
        }
        if (draw.below(2)) {
            KelmMeshFaceAtts* atts = new KelmMeshFaceAtts;
            static const char* names[] = {"name", "part", "xmlns:q", "a.b-c_d", "id"};
            for (unsigned k = 0, n = 1 + draw.below(3); k < n; ++k)
                atts->setAttribute(names[draw.below(5)], draw.text().c_str());
            face->addProp(atts);
        }
        first += count;
        if (nf == 0) break;
    }
    return true;
}

std::string compare(const KelmMeshFacetSet& a, const KelmMeshShellRecord& b, const std::string& id,
                    bool faces) {
    std::ostringstream why;
    if (kelm_hostile::text_of(b.id) != id) return "id differs";
    if (b.getVertexCount() != a.getVertexCount()) return "vertex count differs";
    for (unsigned v = 0; v < a.getVertexCount(); ++v) {
        double p[3], q[3];
        a.getVertex(p, v);
        b.getVertex(q, v);
        for (int i = 0; i < 3; ++i)
            if (!same_bits(p[i], q[i])) {
                why << "vertex " << v << "[" << i << "] " << p[i] << " read back as " << q[i];
                return why.str();
            }
    }
    if (b.getFacetCount() != a.getFacetCount()) return "facet count differs";
    for (unsigned f = 0; f < a.getFacetCount(); ++f) {
        const KelmMeshFacet* x = a.getFacet(f);
        const KelmMeshFacet* y = b.getFacet(f);
        unsigned corner = 0;
        for (unsigned k = 0; k < 3; ++k) {
            if (x->vertex[k] != y->vertex[k]) {
                why << "facet " << f << " vertex " << k << ": " << x->vertex[k] << " read back as "
                    << y->vertex[k];
                return why.str();
            }
            if (x->normal[k] == KELM_NONE) continue;
            // The k-th normal written goes to the next corner read.
            const double* n = a.getNormal(x->normal[k]);
            const double* m =
                y->normal[corner] == KELM_NONE ? nullptr : b.getNormal(y->normal[corner]);
            ++corner;
            if (m == nullptr) return "facet " + std::to_string(f) + " lost a normal";
            for (int i = 0; i < 3; ++i)
                if (!close_normal(n[i], m[i])) {
                    why << "facet " << f << " normal " << k << "[" << i << "] " << n[i]
                        << " read back as " << m[i];
                    return why.str();
                }
        }
        for (; corner < 3; ++corner)
            if (y->normal[corner] != KELM_NONE)
                return "facet " + std::to_string(f) + " gained a normal";
    }
    if (!faces) {
        // Without faces every facet is written in one <facets>: one face reads back.
        if (b.getFaceCount() != 1 || b.getFace(0)->getFirstFacet() != 0 ||
            b.getFace(0)->getFacetCount() != a.getFacetCount())
            return "the one face of a set without faces differs";
        return "";
    }
    if (b.getFaceCount() != a.getFaceCount()) return "face count differs";
    for (unsigned i = 0; i < a.getFaceCount(); ++i) {
        KelmMeshFace* x = a.getFace(i);
        KelmMeshFace* y = b.getFace(i);
        if (x->getFirstFacet() != y->getFirstFacet() || x->getFacetCount() != y->getFacetCount())
            return "face " + std::to_string(i) + " range differs";
        if (kelm_mesh_get_color(x) != kelm_mesh_get_color(y))
            return "face " + std::to_string(i) + " colour differs";
        const std::vector<Attr> ax = attributes_of(x), ay = attributes_of(y);
        if (ax.size() != ay.size()) return "face " + std::to_string(i) + " attribute count differs";
        for (std::size_t k = 0; k < ax.size(); ++k)
            if (ax[k].name != ay[k].name || ax[k].value != ay[k].value)
                return "face " + std::to_string(i) + " attribute " + ax[k].name + " differs";
    }
    return "";
}

TEST(HostileRoundTripStress, TenThousandRandomMeshes) {
    kelm_hostile::Watchdog watchdog(30);
    kelm_hostile::ScratchFile file("roundtrip.xml");
    unsigned failures = 0;
    for (uint32_t seed = 0; seed < 10000 && failures < 5; ++seed) {
        watchdog.start("mesh seed " + std::to_string(seed));
        KelmMeshFacetSet fs;
        std::string id;
        unsigned color = 0;
        const bool faces = make_mesh(seed, fs, id, color);
        kelm_mesh_xml_save(file.path(), &fs, id.c_str(), color);
        kelm_test::ErrorRecorder recorder;
        std::string problem;
        if (seed % 2 == 0) {
            KelmMeshShellRecord back;
            if (kelm_mesh_xml_read_shell(&back, file.path()) != 1)
                problem = "read failed";
            else
                problem = compare(fs, back, id, faces);
        } else {
            KelmMeshShellRecordVec recs;
            if (kelm_mesh_xml_read(&recs, file.path()) != 1 || recs.size() != 1)
                problem = "read failed";
            else
                problem = compare(fs, *recs[0], id, faces);
        }
        if (problem.empty() && recorder.count() != 0) problem = recorder.errors()[0];
        if (!problem.empty()) {
            ++failures;
            ADD_FAILURE() << "seed " << seed << ": " << problem;
        }
    }
    EXPECT_EQ(failures, 0u);
}

}  // namespace

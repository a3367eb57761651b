#ifndef KELMMATH_TESTS_SUPPORT_XML_ROUND_TRIP_H
#define KELMMATH_TESTS_SUPPORT_XML_ROUND_TRIP_H

// The mesh XML round trip: random meshes from a seed, and what a read must give back
// of a written set. Free of gtest: the unit tests and the fuzz targets share it.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"

namespace kelm_test {

using AttributePairs = std::vector<std::pair<std::string, std::string>>;

// A face's attributes, name and value, in order (a null text reads as "").
inline AttributePairs face_attributes(const KelmMeshFace* face) {
    AttributePairs out;
    const KelmMeshFaceAtts* atts = KelmMeshFaceAtts::find(face);
    for (unsigned i = 0; atts != nullptr && i < atts->getAttributes().size(); ++i) {
        const KelmMeshShellFaceAttribute* a = atts->getAttributes().get(i);
        out.emplace_back(a->name.str() ? a->name.str() : "", a->value.str() ? a->value.str() : "");
    }
    return out;
}

// A facet's three vertex indices, then its three corner normals.
inline std::vector<unsigned> corners(const KelmMeshFacet* f) {
    return {f->vertex[0], f->vertex[1], f->vertex[2], f->normal[0], f->normal[1], f->normal[2]};
}

// Coordinates: -0, the null real, denormals, the infinities, NaN, +-1e300, +-1e-300,
// the largest double, any finite double, plain values. Texts: pieces that need
// escaping, UTF-8, "]]>", an entity's text.
class MeshDrawer {
public:
    explicit MeshDrawer(std::uint32_t seed) : gen_(seed) {}
    std::uint32_t below(std::uint32_t n) { return gen_() % n; }
    std::uint64_t bits() { return (static_cast<std::uint64_t>(gen_()) << 32) | gen_(); }

    double real(bool normal = false) {
        // Either sign: the infinities, NaN, 1e300, 1e-300, the largest double (for a
        // normal 1e308: written with 15 digits, the largest double rounds past itself).
        const double either[] = {std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN(), 1e300, 1e-300,
                                 normal ? 1e308 : DBL_MAX};
        const double fixed[] = {-0.0, 0.0, KELM_NULL_REAL};
        const std::uint32_t k = below(16);
        if (k < 5) return below(2) ? either[k] : -either[k];
        if (k < 8) return fixed[k - 5];
        if (k == 8) return std::numeric_limits<double>::denorm_min() * (1 + below(1000));
        if (k > 10) return (static_cast<double>(gen_()) - 2147483648.0) / (1 + below(1000));
        double d;
        do {  // a denormal of either sign, or any finite double
            const std::uint64_t b = bits() & (k == 9 ? 0x800FFFFFFFFFFFFFull : ~0ull);
            std::memcpy(&d, &b, sizeof d);
        } while (!std::isfinite(d));
        return d;
    }

    std::string text() {
        static const char* pieces[] = {"a",  "wheel", " ",  "&",        "<",   ">",     "\"",  "'",
                                       "\t", "\n",    "\r", "\xc3\xa9", "]]>", "&amp;", "x y", "0"};
        std::string s;
        for (std::uint32_t n = below(6); n > 0; --n) s += pieces[below(16)];
        return s;
    }

private:
    std::mt19937 gen_;
};

// Fills the empty set fs with mesh number seed: up to 11 vertices (one perhaps
// deleted), normals, facets whose indices include NONE and numbers past the vertex
// list, corners with and without normals. Returns false when the set has no faces (and
// perhaps a null facet); otherwise faces cover the facets in order, with colours and
// attributes.
inline bool random_xml_mesh(std::uint32_t seed, KelmMeshFacetSet& fs, std::string& id,
                            unsigned& color) {
    MeshDrawer draw(seed);
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
            const std::uint32_t r = draw.below(20);
            f->vertex[k] = r == 0   ? KELM_NONE
                           : r == 1 ? 0x80000000u
                           : r == 2 ? nv + 5
                                    : draw.below(nv + 1);
            f->normal[k] = (nn == 0 || draw.below(2)) ? KELM_NONE : draw.below(nn);
        }
    }
    id = draw.text();
    color = draw.below(3) == 0 ? KELM_NO_COLOR : draw.below(0x1000000);
    if (draw.below(2) == 0) {  // no faces; perhaps a null facet, which is not written
        if (nf > 0 && draw.below(2)) fs.deleteFacet(draw.below(nf));
        return false;
    }
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

// What a read of fs written as XML gives, made in the empty set want: the vertices as
// they are; each facet's vertex indices (null facets left out), and on its corners 0, 1,
// ... a new normal for each corner normal it has, printed with 15 digits and read again;
// the faces with their properties, or one face over every facet when fs has none.
inline void xml_read_of(const KelmMeshFacetSet& fs, KelmMeshFacetSet& want) {
    for (unsigned v = 0; v < fs.getVertexCount(); ++v) want.createVertex(fs.rawverts().get(v));
    for (unsigned f = 0; f < fs.getFacetCount(); ++f) {
        const KelmMeshFacet* x = fs.getFacet(f);
        if (x == nullptr) continue;  // the facets after it move up
        KelmMeshFacet* y = want.createFacet(nullptr);
        for (unsigned c = 0, k = 0; c < 3; ++c) {
            y->vertex[c] = x->vertex[c];
            y->normal[c] = KELM_NONE;
            if (x->normal[c] == KELM_NONE) continue;
            double n[3];
            for (int j = 0; j < 3; ++j) {
                char text[32];
                std::snprintf(text, sizeof text, "%.15g", fs.getNormal(x->normal[c])[j]);
                n[j] = std::strtod(text, nullptr);
            }
            y->normal[k++] = want.createNormal(n);
        }
    }
    if (fs.getFaceCount() == 0) want.createFace(0, want.getFacetCount());
    for (unsigned i = 0; i < fs.getFaceCount(); ++i) want.createFace()->copy(fs.getFace(i));
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_XML_ROUND_TRIP_H

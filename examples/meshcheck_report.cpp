#include "meshcheck_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace meshcheck {

namespace {

const char* plural(std::size_t n) { return n == 1 ? "" : "s"; }

// Up to three locations after a count: " (v 3-7, v 9-12, ...)".
template <class T, class F>
std::string first_few(const std::vector<T>& items, F describe) {
    std::string s;
    for (std::size_t i = 0; i < items.size() && i < 3; ++i) s += (i ? ", " : " (") + describe(items[i]);
    if (items.size() > 3) s += ", ...";
    return s.empty() ? s : s + ")";
}

std::string edge_text(unsigned a, unsigned b) {
    return "v" + std::to_string(a) + "-" + std::to_string(b);
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// "key": n, "key_at": [entries...]
template <class T, class F>
void json_list(std::FILE* out, const char* key, const std::vector<T>& items, F entry) {
    std::fprintf(out, ", \"%s\": %zu, \"%s_at\": [", key, items.size(), key);
    for (std::size_t i = 0; i < items.size() && i < kMaxLocations; ++i)
        std::fprintf(out, "%s%s", i ? ", " : "", entry(items[i]).c_str());
    std::fprintf(out, "]");
}

std::string nums(std::initializer_list<unsigned> v) {
    std::string s = "[";
    for (unsigned x : v) s += (s.size() > 1 ? ", " : "") + std::to_string(x);
    return s + "]";
}

std::string edge_json(const KelmMeshCheckEdge& e) {
    std::string s = "{\"v\": " + nums({e.v0, e.v1}) + ", \"facets\": [";
    for (std::size_t i = 0; i < e.facets.size(); ++i)
        s += (i ? ", " : "") + std::to_string(e.facets[i]);
    return s + "]}";
}

std::string real(double x) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", x);
    return buf;
}

}  // namespace

void print_summary(std::FILE* out, const KelmMeshCheckReport& r) {
    std::fprintf(out, "  %u vertices (%u used), %u facets, %u edges, %zu part%s\n", r.vertices,
                 r.used_vertices, r.facets, r.edges, r.parts.size(), plural(r.parts.size()));
    std::fprintf(out, "  %s, %s\n", r.closed ? "closed" : "OPEN",
                 r.oriented ? "consistently oriented" : "NOT consistently oriented");
    if (!r.holes.empty()) {
        std::fprintf(out, "  holes: %zu, %zu border edge%s%s\n", r.holes.size(),
                     r.border_edges.size(), plural(r.border_edges.size()),
                     first_few(r.holes, [](const KelmMeshCheckHole& h) {
                         char buf[64];
                         std::snprintf(buf, sizeof buf, "%u edges, length %g", h.edges, h.length);
                         return std::string(buf);
                     }).c_str());
    }
    auto edges_line = [&](const char* what, const std::vector<KelmMeshCheckEdge>& list) {
        if (list.empty()) return;
        std::fprintf(out, "  %s: %zu%s\n", what, list.size(),
                     first_few(list, [](const KelmMeshCheckEdge& e) {
                         return edge_text(e.v0, e.v1) + " in " + std::to_string(e.facets.size()) +
                                " facets";
                     }).c_str());
    };
    edges_line("non-manifold edges", r.nonmanifold_edges);
    edges_line("misoriented edges", r.misoriented_edges);
    auto index_line = [&](const char* what, const char* tag, const std::vector<unsigned>& list) {
        if (list.empty()) return;
        std::fprintf(out, "  %s: %zu%s\n", what, list.size(),
                     first_few(list, [&](unsigned i) { return tag + std::to_string(i); }).c_str());
    };
    index_line("non-manifold vertices", "v", r.nonmanifold_vertices);
    index_line("facets naming missing vertices", "f", r.invalid_facets);
    index_line("degenerate facets (a vertex twice)", "f", r.degenerate_facets);
    index_line("zero-area facets", "f", r.zero_area_facets);
    auto pair_line = [&](const char* what, const std::vector<KelmMeshCheckPair>& list) {
        if (list.empty()) return;
        std::fprintf(out, "  %s: %zu%s\n", what, list.size(),
                     first_few(list, [](const KelmMeshCheckPair& p) {
                         return "f" + std::to_string(p.first) + "/f" + std::to_string(p.second);
                     }).c_str());
    };
    pair_line("duplicate facets", r.duplicate_facets);
    if (r.intersections_checked) {
        if (r.self_intersections.empty()) std::fprintf(out, "  self-intersections: none\n");
        pair_line("self-intersecting facet pairs", r.self_intersections);
    }
    unsigned open = 0, inverted = 0;
    for (const KelmMeshCheckPart& p : r.parts) {
        open += !p.closed;
        inverted += p.closed && p.oriented && p.volume < 0.0;
    }
    if (r.parts.size() > 1 || open || inverted)
        std::fprintf(out, "  parts: %zu (%u open, %u closed inside out)\n", r.parts.size(), open,
                     inverted);
    std::fprintf(out, "  area: %.10g, volume: %.10g%s\n", r.area, r.volume,
                 r.closed ? "" : " (open: the volume is not meaningful)");
    std::fprintf(out, "  result: %s\n", r.clean() ? "clean" : "DEFECTS");
}

void print_json(std::FILE* out, const KelmMeshCheckReport& r, const std::string& id,
                const std::string& source) {
    std::fprintf(out, "{\"id\": %s, \"source\": %s, \"vertices\": %u, \"facets\": %u, \"edges\": %u",
                 json_string(id).c_str(), json_string(source).c_str(), r.vertices, r.facets,
                 r.edges);
    json_list(out, "border_edges", r.border_edges, [](const KelmMeshCheckSide& s) {
        return "{\"v\": " + nums({s.v0, s.v1}) + ", \"facet\": " + std::to_string(s.facet) + "}";
    });
    json_list(out, "holes", r.holes, [](const KelmMeshCheckHole& h) {
        std::string s = "{\"edges\": " + std::to_string(h.edges) + ", \"length\": " +
                        real(h.length) + ", \"closed\": " + (h.closed ? "true" : "false") +
                        ", \"vertices\": [";
        for (std::size_t i = 0; i < h.vertices.size() && i < kMaxLocations; ++i)
            s += (i ? ", " : "") + std::to_string(h.vertices[i]);
        return s + "]}";
    });
    json_list(out, "nonmanifold_edges", r.nonmanifold_edges, edge_json);
    auto index = [](unsigned i) { return std::to_string(i); };
    json_list(out, "nonmanifold_vertices", r.nonmanifold_vertices, index);
    json_list(out, "invalid_facets", r.invalid_facets, index);
    json_list(out, "degenerate_facets", r.degenerate_facets, index);
    json_list(out, "zero_area_facets", r.zero_area_facets, index);
    auto pair = [](const KelmMeshCheckPair& p) { return nums({p.first, p.second}); };
    json_list(out, "duplicate_facets", r.duplicate_facets, pair);
    json_list(out, "misoriented_edges", r.misoriented_edges, edge_json);
    json_list(out, "parts", r.parts, [](const KelmMeshCheckPart& p) {
        return "{\"first_facet\": " + std::to_string(p.first_facet) +
               ", \"facets\": " + std::to_string(p.facets) +
               ", \"closed\": " + (p.closed ? "true" : "false") +
               ", \"oriented\": " + (p.oriented ? "true" : "false") +
               ", \"volume\": " + real(p.volume) + ", \"area\": " + real(p.area) + "}";
    });
    if (r.intersections_checked) json_list(out, "self_intersections", r.self_intersections, pair);
    std::fprintf(out, ", \"closed\": %s, \"oriented\": %s, \"area\": %s, \"volume\": %s",
                 r.closed ? "true" : "false", r.oriented ? "true" : "false", real(r.area).c_str(),
                 real(r.volume).c_str());
    std::fprintf(out, ", \"clean\": %s}\n", r.clean() ? "true" : "false");
}

// ---- SVG ----------------------------------------------------------------------------

namespace {

const char* const kViews[] = {"top", "front", "side", "iso"};

// Screen x, y and depth (larger: nearer the viewer) of p.
void project(double* s, const double* p, const char* view) {
    if (std::strcmp(view, "top") == 0) {
        s[0] = p[0]; s[1] = p[1]; s[2] = p[2];
    } else if (std::strcmp(view, "front") == 0) {
        s[0] = p[0]; s[1] = p[2]; s[2] = -p[1];
    } else if (std::strcmp(view, "side") == 0) {
        s[0] = p[1]; s[1] = p[2]; s[2] = p[0];
    } else {  // iso: from (1, -1, 1)
        const double r2 = std::sqrt(0.5), r6 = std::sqrt(1.0 / 6.0), r3 = std::sqrt(1.0 / 3.0);
        s[0] = r2 * (p[0] + p[1]);
        s[1] = r6 * (-p[0] + p[1] + 2.0 * p[2]);
        s[2] = r3 * (p[0] - p[1] + p[2]);
    }
}

// Facets drawn shaded at most; beyond this only the marked edges are drawn.
constexpr unsigned kMaxShadedFacets = 200000;

}  // namespace

bool is_view(const char* name) {
    for (const char* v : kViews)
        if (std::strcmp(v, name) == 0) return true;
    return false;
}

bool write_svg(const char* file, const std::vector<Drawn>& meshes, const char* view) {
    std::FILE* fp = kelm_fopen(file, "w");
    if (!fp) return false;
    // Screen bounds over every used vertex.
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
    std::vector<std::vector<double>> screen(meshes.size());
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const KelmMeshFacetSet* fs = meshes[m].fs;
        screen[m].resize(3 * std::size_t(fs->getVertexCount()));
        for (unsigned v = 0; v < fs->getVertexCount(); ++v) {
            double* s = &screen[m][3 * std::size_t(v)];
            project(s, fs->rawverts().get(v), view);
        }
        for (unsigned f = 0; f < fs->getFacetCount(); ++f) {
            if (meshes[m].report->facet_part[f] == KELM_NONE) continue;
            for (unsigned k = 0; k < 3; ++k) {
                const double* s = &screen[m][3 * std::size_t(fs->getFacet(f)->vertex[k])];
                for (int i = 0; i < 2; ++i) {
                    lo[i] = std::min(lo[i], s[i]);
                    hi[i] = std::max(hi[i], s[i]);
                }
            }
        }
    }
    const double w = 800.0, margin = 20.0;
    const double extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    const double scale = extent > 0.0 ? (w - 2 * margin) / extent : 1.0;
    const double height = lo[0] <= hi[0] ? (hi[1] - lo[1]) * scale + 2 * margin : w;
    auto X = [&](const double* s) { return margin + (s[0] - lo[0]) * scale; };
    auto Y = [&](const double* s) { return height - margin - (s[1] - lo[1]) * scale; };
    std::fprintf(fp,
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                 "viewBox=\"0 0 %.0f %.0f\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                 w, height, w, height);
    for (std::size_t m = 0; m < meshes.size(); ++m) {
        const KelmMeshFacetSet* fs = meshes[m].fs;
        const KelmMeshCheckReport& r = *meshes[m].report;
        const double* sc = screen[m].data();
        auto S = [&](unsigned v) { return sc + 3 * std::size_t(v); };
        std::vector<unsigned char> hit(fs->getFacetCount(), 0);
        for (const KelmMeshCheckPair& p : r.self_intersections) hit[p.first] = hit[p.second] = 1;
        // Facets far to near, shaded by how squarely they face the viewer.
        std::vector<std::pair<double, unsigned>> order;
        for (unsigned f = 0; f < fs->getFacetCount(); ++f) {
            if (r.facet_part[f] == KELM_NONE) continue;
            const unsigned* v = fs->getFacet(f)->vertex;
            order.push_back({S(v[0])[2] + S(v[1])[2] + S(v[2])[2], f});
        }
        if (order.size() <= kMaxShadedFacets) {
            std::sort(order.begin(), order.end());
            for (const auto& o : order) {
                const unsigned* v = fs->getFacet(o.second)->vertex;
                const double *a = S(v[0]), *b = S(v[1]), *c = S(v[2]);
                const double nz = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
                double n[3];
                fs->getFacetNormal(n, o.second);
                double view_n[3];  // the projection is linear: n's depth is n . view
                project(view_n, n, view);
                const double lit = std::fabs(view_n[2]);
                const int g = static_cast<int>(150 + 90 * lit);
                const char* fill = hit[o.second] ? "#3060ff" : nullptr;
                char grey[16];
                std::snprintf(grey, sizeof grey, "#%02x%02x%02x", g, g, nz < 0 ? g - 40 : g);
                std::fprintf(fp,
                             "<path d=\"M%.2f %.2fL%.2f %.2fL%.2f %.2fZ\" fill=\"%s\" "
                             "stroke=\"#555\" stroke-width=\"0.2\"/>\n",
                             X(a), Y(a), X(b), Y(b), X(c), Y(c), fill ? fill : grey);
            }
        }
        auto edge = [&](unsigned a, unsigned b, const char* colour) {
            std::fprintf(fp,
                         "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
                         "stroke-width=\"2\"/>\n",
                         X(S(a)), Y(S(a)), X(S(b)), Y(S(b)), colour);
        };
        for (const KelmMeshCheckSide& s : r.border_edges) edge(s.v0, s.v1, "red");
        for (const KelmMeshCheckEdge& e : r.nonmanifold_edges) edge(e.v0, e.v1, "magenta");
        for (const KelmMeshCheckEdge& e : r.misoriented_edges) edge(e.v0, e.v1, "orange");
        for (unsigned v : r.nonmanifold_vertices)
            std::fprintf(fp,
                         "<circle cx=\"%.2f\" cy=\"%.2f\" r=\"5\" fill=\"none\" stroke=\"magenta\" "
                         "stroke-width=\"2\"/>\n",
                         X(S(v)), Y(S(v)));
    }
    std::fprintf(fp, "</svg>\n");
    const bool ok = !std::ferror(fp);
    return std::fclose(fp) == 0 && ok;
}

void repair(KelmMeshFacetSet* out, const KelmMeshFacetSet* in, bool quiet) {
    KelmMeshRepairOptions o;
    o.weld_tolerance = 0.0;
    o.fill_holes = 32;
    KelmMeshRepairReport r;
    kelm_mesh_repair(out, &r, in, &o);
    if (quiet) return;
    std::printf(
        "  repair: %u vertices welded, %u degenerate and %u duplicate facets dropped, "
        "%u facets flipped, %u holes filled with %u facets, %u holes left open\n",
        r.welded_vertices, r.dropped_degenerate, r.dropped_duplicates, r.flipped_facets,
        r.filled_holes, r.added_facets, r.unfilled_holes);
}

}  // namespace meshcheck

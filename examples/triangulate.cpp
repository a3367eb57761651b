// kelm-triangulate: triangulates a planar region bounded by closed loops (an outer
// outline and islands, as they come: loops may touch, share segments, run back over
// themselves or cross) with the polygon triangulation, prints the counts and the inside
// area, checks that area against the area the fill rule gives the loops (worked out from
// the loops alone, without a triangulation), and can draw the result.
//
//   kelm-triangulate [OUTLINE.txt] [--fill evenodd|nonzero] [--svg OUT.svg]
//
// An outline file holds one "x y" point per line; a blank line ends a loop, and each loop
// is closed from its last point back to its first (repeating the first point at the end
// is allowed). Text after '#' is a comment. Without a file the built-in machining pocket
// is used (it is also in examples/data/pocket.txt).
//
// Exit status: 0 done and the areas agree, 1 the triangulation failed or its area is not
// the loops' area, 2 the input is malformed or a file cannot be read or written.
#include <kelmmath/kelmmath.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: kelm-triangulate [OUTLINE.txt] [--fill evenodd|nonzero] [--svg OUT.svg]\n"
    "  OUTLINE.txt: one \"x y\" point per line, a blank line between loops, '#' comments.\n"
    "              Loops may touch, share segments or cross.\n"
    "  No file: the built-in pocket (an outer outline with two islands).\n"
    "  --fill RULE evenodd (default): inside where a ray crosses the loops an odd number of\n"
    "              times; nonzero: inside where the loops wind around a non-zero number of\n"
    "              times (counter-clockwise +1, clockwise -1).\n"
    "  --svg OUT   draw the inside triangles filled, the loops bold.\n"
    "  Exit status: 0 done, 1 the triangulation failed or does not cover the region,\n"
    "  2 malformed input or a file error.\n";

// The built-in sample, the same text as examples/data/pocket.txt.
const char kPocket[] =
    "# A machining pocket: one loop per paragraph, one \"x y\" point (mm) per line.\n"
    "# The first loop is the outer outline, the others are islands left standing.\n"
    "\n"
    "# outer outline: 120 x 80 with 10 mm corner radii\n"
    "110 0\n"
    "113.827 0.761\n"
    "117.071 2.929\n"
    "119.239 6.173\n"
    "120 10\n"
    "120 70\n"
    "119.239 73.827\n"
    "117.071 77.071\n"
    "113.827 79.239\n"
    "110 80\n"
    "10 80\n"
    "6.173 79.239\n"
    "2.929 77.071\n"
    "0.761 73.827\n"
    "0 70\n"
    "0 10\n"
    "0.761 6.173\n"
    "2.929 2.929\n"
    "6.173 0.761\n"
    "10 0\n"
    "\n"
    "# island: round boss, 12 mm radius\n"
    "47 40\n"
    "46.591 43.106\n"
    "45.392 46\n"
    "43.485 48.485\n"
    "41 50.392\n"
    "38.106 51.591\n"
    "35 52\n"
    "31.894 51.591\n"
    "29 50.392\n"
    "26.515 48.485\n"
    "24.608 46\n"
    "23.409 43.106\n"
    "23 40\n"
    "23.409 36.894\n"
    "24.608 34\n"
    "26.515 31.515\n"
    "29 29.608\n"
    "31.894 28.409\n"
    "35 28\n"
    "38.106 28.409\n"
    "41 29.608\n"
    "43.485 31.515\n"
    "45.392 34\n"
    "46.591 36.894\n"
    "\n"
    "# island: hexagonal boss, 28 mm across corners\n"
    "102 40\n"
    "95 52.124\n"
    "81 52.124\n"
    "74 40\n"
    "81 27.876\n"
    "95 27.876\n";

enum Status { kDone = 0, kFailed = 1, kBadInput = 2 };

struct OutlinePoint {
    double x, y;
    unsigned line;  // where the point was read, for messages
};
using Loop = std::vector<OutlinePoint>;

// Reads loops from text. On malformed input sets *error to "NAME:LINE: what" and
// returns false.
class OutlineReader {
public:
    OutlineReader(const std::string& name, std::vector<Loop>* loops) : name_(name), loops_(loops) {}

    bool read(std::istream& in, std::string* error) {
        std::string text;
        unsigned line = 0;
        while (std::getline(in, text)) {
            ++line;
            const std::size_t hash = text.find('#');
            if (hash != std::string::npos) {
                // A comment-only line neither adds a point nor ends a loop.
                if (text.find_first_not_of(" \t\r") == hash) continue;
                text.erase(hash);
            }
            if (text.find_first_not_of(" \t\r") == std::string::npos) {
                if (!end_loop(error)) return false;
                continue;
            }
            OutlinePoint p{0.0, 0.0, line};
            if (!parse_point(text.c_str(), &p)) {
                *error = where(line) + "expected a point \"x y\", got \"" + trimmed(text) + "\"";
                return false;
            }
            // Repeating a point at once adds nothing to the loop.
            if (current_.empty() || current_.back().x != p.x || current_.back().y != p.y)
                current_.push_back(p);
        }
        if (!end_loop(error)) return false;
        if (loops_->empty()) {
            *error = name_ + ": no loop found";
            return false;
        }
        return true;
    }

private:
    std::string where(unsigned line) const { return name_ + ":" + std::to_string(line) + ": "; }

    static std::string trimmed(const std::string& s) {
        const std::size_t a = s.find_first_not_of(" \t\r");
        const std::size_t b = s.find_last_not_of(" \t\r");
        return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    }

    // Exactly two finite numbers and nothing else.
    static bool parse_point(const char* s, OutlinePoint* p) {
        char* end = nullptr;
        p->x = std::strtod(s, &end);
        if (end == s) return false;
        s = end;
        p->y = std::strtod(s, &end);
        if (end == s) return false;
        while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
        return *end == '\0' && std::isfinite(p->x) && std::isfinite(p->y);
    }

    bool end_loop(std::string* error) {
        if (current_.empty()) return true;
        if (current_.size() > 1 && current_.back().x == current_.front().x &&
            current_.back().y == current_.front().y)
            current_.pop_back();  // the loop was closed explicitly
        if (current_.size() < 3) {
            *error = where(current_.front().line) + "a loop needs at least three points";
            return false;
        }
        loops_->push_back(current_);
        current_.clear();
        return true;
    }

    std::string name_;
    std::vector<Loop>* loops_;
    Loop current_;
};

double triangle_area(const double* a, const double* b, const double* c) {
    return 0.5 * ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
}

bool inside_under(int rule, int winding) {
    return rule == KELM_FILL_EVEN_ODD ? (winding & 1) != 0 : winding != 0;
}

// A loop segment that is not horizontal, lowest point first; up: whether the loop
// runs upwards along it.
struct Slope {
    double x0, y0, x1, y1;
    int up;
    double x_at(double y) const { return x0 + (x1 - x0) * ((y - y0) / (y1 - y0)); }
};

// The length of the line at height y inside the region: the loops' crossings in x
// order, with the winding number between them.
double inside_length(const std::vector<const Slope*>& active, double y, int rule) {
    std::vector<std::pair<double, int>> xs;
    for (const Slope* s : active) xs.emplace_back(s->x_at(y), s->up ? 1 : -1);
    std::sort(xs.begin(), xs.end());
    double length = 0.0;
    int winding = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        winding += xs[i].second;
        if (inside_under(rule, winding)) length += xs[i + 1].first - xs[i].first;
    }
    return length;
}

// The area the fill rule gives the loops, from the loops alone: the plane is cut into
// bands at every point's height and at every height where two segments cross; within a
// band the inside length at height y changes linearly, so the band's area is its height
// times the length at its middle.
double enclosed_area(const std::vector<Loop>& loops, int rule) {
    std::vector<Slope> slopes;
    std::vector<double> ys;
    for (const Loop& loop : loops) {
        for (std::size_t i = 0, n = loop.size(); i < n; ++i) {
            const OutlinePoint& p = loop[i];
            const OutlinePoint& q = loop[(i + 1) % n];
            ys.push_back(p.y);
            if (p.y < q.y) slopes.push_back({p.x, p.y, q.x, q.y, 1});
            if (p.y > q.y) slopes.push_back({q.x, q.y, p.x, p.y, 0});
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::sort(slopes.begin(), slopes.end(),
              [](const Slope& a, const Slope& b) { return a.y0 < b.y0; });

    double area = 0.0;
    std::size_t next = 0;
    std::vector<const Slope*> active;
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
        const double ya = ys[k], yb = ys[k + 1];
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [ya](const Slope* s) { return s->y1 <= ya; }),
                     active.end());
        for (; next < slopes.size() && slopes[next].y0 <= ya; ++next) active.push_back(&slopes[next]);
        // Heights in the band where two segments cross: where their order in x at the
        // band's bottom and top differs.
        std::vector<double> cuts = {ya, yb};
        std::vector<const Slope*> order = active;
        std::sort(order.begin(), order.end(),
                  [ya](const Slope* a, const Slope* b) { return a->x_at(ya) < b->x_at(ya); });
        bool sorted_at_top = true;
        for (std::size_t i = 1; i < order.size(); ++i)
            if (order[i - 1]->x_at(yb) > order[i]->x_at(yb)) sorted_at_top = false;
        for (std::size_t i = 0; !sorted_at_top && i < order.size(); ++i) {
            for (std::size_t j = i + 1; j < order.size(); ++j) {
                const double da = order[j]->x_at(ya) - order[i]->x_at(ya);
                const double db = order[j]->x_at(yb) - order[i]->x_at(yb);
                if ((da > 0 && db < 0) || (da < 0 && db > 0)) cuts.push_back(ya + (yb - ya) * da / (da - db));
            }
        }
        std::sort(cuts.begin(), cuts.end());
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c)
            area += (cuts[c + 1] - cuts[c]) * inside_length(active, 0.5 * (cuts[c] + cuts[c + 1]), rule);
    }
    return area;
}

struct Result {
    unsigned points = 0;
    unsigned input_points = 0;
    unsigned inside = 0;
    double inside_area = 0.0;
};

// Hands every loop to the polygon triangulation and sums the inside triangles' area.
int triangulate(const std::string& name, const std::vector<Loop>& loops, int rule,
                KelmPolygon2D* poly, Result* result) {
    for (const Loop& loop : loops) {
        std::vector<double> xy;
        for (const OutlinePoint& p : loop) xy.insert(xy.end(), {p.x, p.y});
        poly->addRing(xy.data(), static_cast<unsigned>(loop.size()));
    }
    if (!poly->triangulate(rule)) {
        std::fprintf(stderr, "kelm-triangulate: %s: the outline could not be triangulated\n",
                     name.c_str());
        return kFailed;
    }
    result->points = poly->getPointCount();
    result->input_points = poly->getInputPointCount();
    result->inside = poly->getTriangleCount();
    for (unsigned t = 0; t < result->inside; ++t) {
        unsigned v[3];
        poly->getTriangle(&v[0], &v[1], &v[2], t);
        result->inside_area += triangle_area(poly->getPoint(v[0]), poly->getPoint(v[1]),
                                             poly->getPoint(v[2]));
    }
    return kDone;
}

// Maps outline coordinates to the drawing: x to the right, y up, the outline's box
// scaled to kWidth pixels less the margins.
class Drawing {
public:
    static constexpr double kWidth = 800.0;
    static constexpr double kMargin = 20.0;

    explicit Drawing(const std::vector<Loop>& loops) {
        for (const Loop& loop : loops)
            for (const OutlinePoint& p : loop) box_.update(p.x, p.y);
        scale_ = (kWidth - 2.0 * kMargin) / (box_.maxx() - box_.minx());
        height_ = (box_.maxy() - box_.miny()) * scale_ + 2.0 * kMargin;
    }

    double height() const { return height_; }

    void append(std::string* points, double x, double y) const {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%s%.2f,%.2f", points->empty() ? "" : " ",
                      kMargin + (x - box_.minx()) * scale_, kMargin + (box_.maxy() - y) * scale_);
        *points += buf;
    }

private:
    KelmBoundingBox2D box_;
    double scale_ = 1.0;
    double height_ = 0.0;
};

void polygon(KelmXMLWriter* w, const std::string& points) {
    w->beginElement("polygon");
    w->beginAttribute("points");
    w->text(points.c_str());
    w->endAttribute();
    w->endElement("polygon");
}

void attribute(KelmXMLWriter* w, const char* name, const char* value) {
    w->beginAttribute(name);
    w->text(value);
    w->endAttribute();
}

void begin_group(KelmXMLWriter* w, const char* fill, const char* stroke, const char* width) {
    w->beginElement("g");
    attribute(w, "fill", fill);
    attribute(w, "stroke", stroke);
    attribute(w, "stroke-width", width);
    attribute(w, "stroke-linejoin", "round");
}

// The inside triangles, filled.
void draw_triangles(KelmXMLWriter* w, const KelmPolygon2D& poly, const Drawing& d) {
    for (unsigned t = 0; t < poly.getTriangleCount(); ++t) {
        unsigned v[3];
        poly.getTriangle(&v[0], &v[1], &v[2], t);
        std::string points;
        for (unsigned k = 0; k < 3; ++k) d.append(&points, poly.getPoint(v[k])[0], poly.getPoint(v[k])[1]);
        polygon(w, points);
    }
}

bool write_svg(const char* file, const std::vector<Loop>& loops, const KelmPolygon2D& poly) {
    FILE* fp = kelm_fopen(file, "w");
    if (!fp) {
        std::fprintf(stderr, "kelm-triangulate: %s: cannot be written\n", file);
        return false;
    }
    const Drawing d(loops);
    char size[64];
    {
        KelmOutputFile out(fp, file);
        KelmXMLWriter w(&out);
        w.writeHeader();
        w.beginElement("svg");
        attribute(&w, "xmlns", "http://www.w3.org/2000/svg");
        std::snprintf(size, sizeof size, "%.0f", Drawing::kWidth);
        attribute(&w, "width", size);
        std::snprintf(size, sizeof size, "%.0f", std::ceil(d.height()));
        attribute(&w, "height", size);
        std::snprintf(size, sizeof size, "0 0 %.0f %.0f", Drawing::kWidth, std::ceil(d.height()));
        attribute(&w, "viewBox", size);
        w.beginElement("rect");
        attribute(&w, "width", "100%");
        attribute(&w, "height", "100%");
        attribute(&w, "fill", "white");
        w.endElement("rect");

        begin_group(&w, "#a6cbe8", "#3b7fb8", "0.8");
        draw_triangles(&w, poly, d);
        w.endElement("g");
        begin_group(&w, "none", "#0b2e59", "3");
        for (const Loop& loop : loops) {
            std::string points;
            for (const OutlinePoint& p : loop) d.append(&points, p.x, p.y);
            polygon(&w, points);
        }
        w.endElement("g");
        w.endElement("svg");
        w.close();
        out.flush();
    }
    const bool ok = !std::ferror(fp);
    if (std::fclose(fp) != 0 || !ok) {
        std::fprintf(stderr, "kelm-triangulate: %s: cannot be written\n", file);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const char* input = nullptr;
    const char* svg = nullptr;
    int rule = KELM_FILL_EVEN_ODD;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kDone;
        } else if (std::strcmp(argv[i], "--svg") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kelm-triangulate: --svg needs a file name\n%s", kUsage);
                return kBadInput;
            }
            svg = argv[++i];
        } else if (std::strcmp(argv[i], "--fill") == 0) {
            const char* value = i + 1 < argc ? argv[++i] : "";
            if (std::strcmp(value, "evenodd") == 0) {
                rule = KELM_FILL_EVEN_ODD;
            } else if (std::strcmp(value, "nonzero") == 0) {
                rule = KELM_FILL_NON_ZERO;
            } else {
                std::fprintf(stderr, "kelm-triangulate: --fill takes evenodd or nonzero\n%s", kUsage);
                return kBadInput;
            }
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "kelm-triangulate: unknown option %s\n%s", argv[i], kUsage);
            return kBadInput;
        } else if (!input) {
            input = argv[i];
        } else {
            std::fprintf(stderr, "kelm-triangulate: one outline file at a time\n%s", kUsage);
            return kBadInput;
        }
    }

    std::vector<Loop> loops;
    std::string name = input ? input : "the built-in pocket";
    std::string error;
    OutlineReader reader(name, &loops);
    if (input) {
        std::ifstream in(input);
        if (!in) {
            std::fprintf(stderr, "kelm-triangulate: %s: cannot open the file\n", input);
            return kBadInput;
        }
        if (!reader.read(in, &error)) {
            std::fprintf(stderr, "kelm-triangulate: %s\n", error.c_str());
            return kBadInput;
        }
    } else {
        std::istringstream in(kPocket);
        reader.read(in, &error);
    }

    KelmPolygon2D poly;
    Result r;
    if (const int status = triangulate(name, loops, rule, &poly, &r)) return status;

    const double enclosed = enclosed_area(loops, rule);
    std::printf("outline: %s, %zu loop%s, fill rule %s\n", name.c_str(), loops.size(),
                loops.size() == 1 ? "" : "s", rule == KELM_FILL_EVEN_ODD ? "evenodd" : "nonzero");
    std::printf("  points: %u (%u where segments cross)\n", r.points, r.points - r.input_points);
    std::printf("  triangles inside: %u\n", r.inside);
    std::printf("  inside area: %.6g (the fill rule gives the loops %.6g)\n", r.inside_area, enclosed);
    if (svg) {
        if (!write_svg(svg, loops, poly)) return kBadInput;
        std::printf("  drawing: %s\n", svg);
    }
    // Both areas are sums of rounded terms of the size of the outline's box.
    KelmBoundingBox2D box;
    for (const Loop& loop : loops)
        for (const OutlinePoint& p : loop) box.update(p.x, p.y);
    const double slack = 1e-9 * (1.0 + std::fabs(enclosed)) +
                         1e-12 * (box.maxx() - box.minx()) * (box.maxy() - box.miny());
    if (std::fabs(r.inside_area - enclosed) > slack) {
        std::fprintf(stderr, "kelm-triangulate: %s: the inside triangles do not cover the region\n",
                     name.c_str());
        return kFailed;
    }
    return kDone;
}

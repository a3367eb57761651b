// kelm-triangulate: triangulates a planar region bounded by closed loops (an outer
// outline and islands) with the constrained Delaunay triangulator, labels the triangles
// inside the region, prints the counts and the inside area, and can draw the result.
//
//   kelm-triangulate [OUTLINE.txt] [--svg OUT.svg]
//
// An outline file holds one "x y" point per line; a blank line ends a loop, and each loop
// is closed from its last point back to its first (repeating the first point at the end
// is allowed). Text after '#' is a comment. Without a file the built-in machining pocket
// is used (it is also in examples/data/pocket.txt).
//
// Exit status: 0 done, 1 the triangulation failed, 2 the input is malformed or a file
// cannot be read or written.
#include <kelmmath/kelmmath.h>

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
    "usage: kelm-triangulate [OUTLINE.txt] [--svg OUT.svg]\n"
    "  OUTLINE.txt: one \"x y\" point per line, a blank line between loops, '#' comments.\n"
    "  No file: the built-in pocket (an outer outline with two islands).\n"
    "  --svg OUT   draw the triangulation: inside triangles filled, outside ones outlined,\n"
    "              the loops bold.\n"
    "  Exit status: 0 done, 1 the triangulation failed, 2 malformed input or a file error.\n";

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
    return 0.5 * std::fabs((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]));
}

double loop_area(const Loop& loop) {
    double twice = 0.0;
    for (std::size_t i = 0, n = loop.size(); i < n; ++i) {
        const OutlinePoint& p = loop[i];
        const OutlinePoint& q = loop[(i + 1) % n];
        twice += p.x * q.y - q.x * p.y;
    }
    return 0.5 * std::fabs(twice);
}

bool loop_contains(const Loop& loop, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        const OutlinePoint& a = loop[i];
        const OutlinePoint& b = loop[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

// The area the loops enclose by the even-odd rule, from the loops alone: a loop inside an
// odd number of others is a hole. The inside triangles must cover exactly this.
double enclosed_area(const std::vector<Loop>& loops) {
    double area = 0.0;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        unsigned depth = 0;
        for (std::size_t j = 0; j < loops.size(); ++j)
            if (j != i && loop_contains(loops[j], loops[i][0].x, loops[i][0].y)) ++depth;
        area += (depth % 2 == 0 ? 1.0 : -1.0) * loop_area(loops[i]);
    }
    return area;
}

struct Result {
    unsigned points = 0;
    unsigned triangles = 0;
    unsigned inside = 0;
    double inside_area = 0.0;
};

// Inserts every point, then every loop edge as a border edge, then labels the inside.
int triangulate(const std::string& name, const std::vector<Loop>& loops, KelmDelaunay2D* tri,
                Result* result) {
    KelmBoundingBox2D box;
    for (const Loop& loop : loops)
        for (const OutlinePoint& p : loop) box.update(p.x, p.y);
    if (!(box.maxx() > box.minx()) || !(box.maxy() > box.miny())) {
        std::fprintf(stderr, "kelm-triangulate: %s: the points lie on one line\n", name.c_str());
        return kBadInput;
    }
    tri->init(&box, 1.0);

    std::vector<std::vector<unsigned>> ids(loops.size());
    for (std::size_t l = 0; l < loops.size(); ++l) {
        for (const OutlinePoint& p : loops[l]) {
            const double xy[2] = {p.x, p.y};
            const unsigned v = tri->insertPoint(xy);
            if (v == KELM_NONE) {
                std::fprintf(stderr,
                             "kelm-triangulate: %s:%u: the point (%g, %g) could not be inserted\n",
                             name.c_str(), p.line, p.x, p.y);
                return kFailed;
            }
            ids[l].push_back(v);
        }
    }
    for (std::size_t l = 0; l < loops.size(); ++l) {
        const std::size_t n = loops[l].size();
        for (std::size_t i = 0; i < n; ++i) {
            if (!tri->insertEdge(ids[l][i], ids[l][(i + 1) % n], 1)) {
                std::fprintf(stderr,
                             "kelm-triangulate: %s:%u: the edge to the point of line %u could "
                             "not be inserted (it crosses another edge or runs through a point)\n",
                             name.c_str(), loops[l][i].line, loops[l][(i + 1) % n].line);
                return kFailed;
            }
        }
    }
    tri->resolveInside();

    result->points = tri->getPointCount() - 3;
    result->triangles = tri->getTriangleCount();
    for (unsigned t = 0; t < result->triangles; ++t) {
        if (tri->isInside(t) != 1) continue;
        ++result->inside;
        result->inside_area += triangle_area(tri->getPoint(tri->getTriangleVertex(t, 0)),
                                             tri->getPoint(tri->getTriangleVertex(t, 1)),
                                             tri->getPoint(tri->getTriangleVertex(t, 2)));
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

// Inside triangles filled, outside ones outlined lightly, the loops bold on top. Triangles
// that use a corner of the enclosing triangle (vertices 0, 1, 2) are left out.
void draw_triangles(KelmXMLWriter* w, KelmDelaunay2D* tri, const Drawing& d, bool inside) {
    for (unsigned t = 0; t < tri->getTriangleCount(); ++t) {
        unsigned v[3];
        tri->getTriangle(&v[0], &v[1], &v[2], t);
        if (v[0] < 3 || v[1] < 3 || v[2] < 3 || (tri->isInside(t) == 1) != inside) continue;
        std::string points;
        for (unsigned k = 0; k < 3; ++k)
            d.append(&points, tri->getPoint(v[k])[0], tri->getPoint(v[k])[1]);
        polygon(w, points);
    }
}

bool write_svg(const char* file, const std::vector<Loop>& loops, KelmDelaunay2D* tri) {
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

        begin_group(&w, "none", "#c8c8c8", "0.8");
        draw_triangles(&w, tri, d, false);
        w.endElement("g");
        begin_group(&w, "#a6cbe8", "#3b7fb8", "0.8");
        draw_triangles(&w, tri, d, true);
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

    KelmDelaunay2D tri;
    Result r;
    if (const int status = triangulate(name, loops, &tri, &r)) return status;

    const double enclosed = enclosed_area(loops);
    std::printf("outline: %s, %zu loop%s\n", name.c_str(), loops.size(),
                loops.size() == 1 ? "" : "s");
    std::printf("  points: %u (and the 3 corners of the enclosing triangle)\n", r.points);
    std::printf("  triangles: %u, inside: %u\n", r.triangles, r.inside);
    std::printf("  inside area: %.6g (the loops enclose %.6g)\n", r.inside_area, enclosed);
    if (svg) {
        if (!write_svg(svg, loops, &tri)) return kBadInput;
        std::printf("  drawing: %s\n", svg);
    }
    if (std::fabs(r.inside_area - enclosed) > 1e-9 * (1.0 + std::fabs(enclosed))) {
        std::fprintf(stderr, "kelm-triangulate: %s: the inside triangles do not cover the loops\n",
                     name.c_str());
        return kFailed;
    }
    return kDone;
}

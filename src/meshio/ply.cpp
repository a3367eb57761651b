// PLY in its three encodings: the header, the vertex element's x, y, z and the face
// element's index list, every other element and property skipped; and the writer.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "kelmmath/meshio/meshfile.h"
#include "meshio/internal_meshfile.h"

namespace kelm_internal {

namespace {

enum Type { kNoType, kInt8, kUint8, kInt16, kUint16, kInt32, kUint32, kFloat32, kFloat64 };

Type type_of(const char* p, std::size_t n) {
    struct Name {
        const char* name;
        Type type;
    };
    static const Name kNames[] = {
        {"char", kInt8},     {"int8", kInt8},       {"uchar", kUint8},    {"uint8", kUint8},
        {"short", kInt16},   {"int16", kInt16},     {"ushort", kUint16},  {"uint16", kUint16},
        {"int", kInt32},     {"int32", kInt32},     {"uint", kUint32},    {"uint32", kUint32},
        {"float", kFloat32}, {"float32", kFloat32}, {"double", kFloat64}, {"float64", kFloat64}};
    for (const Name& t : kNames)
        if (std::strlen(t.name) == n && std::memcmp(t.name, p, n) == 0) return t.type;
    return kNoType;
}

std::size_t size_of(Type t) {
    static const std::size_t kSizes[] = {0, 1, 1, 2, 2, 4, 4, 4, 8};
    return kSizes[t];
}

struct Property {
    std::string name;
    Type type = kNoType;
    Type count_type = kNoType;  // a list: the type of its length
};

struct Element {
    std::string name;
    unsigned long long count = 0;
    std::vector<Property> props;
    int x = -1, y = -1, z = -1, list = -1;  // where the read values are
};

enum Encoding { kAscii, kLittle, kBig };

// Reads one binary value at p as a double (integers are exact up to 2^53).
double binary_value(const unsigned char* p, Type t, bool swap) {
    unsigned char b[8];
    const std::size_t n = size_of(t);
    for (std::size_t i = 0; i < n; ++i) b[i] = swap ? p[n - 1 - i] : p[i];
    switch (t) {
        case kInt8: return static_cast<signed char>(b[0]);
        case kUint8: return b[0];
        case kInt16: { std::int16_t v; std::memcpy(&v, b, 2); return v; }
        case kUint16: { std::uint16_t v; std::memcpy(&v, b, 2); return v; }
        case kInt32: { std::int32_t v; std::memcpy(&v, b, 4); return v; }
        case kUint32: { std::uint32_t v; std::memcpy(&v, b, 4); return v; }
        case kFloat32: { float v; std::memcpy(&v, b, 4); return v; }
        case kFloat64: { double v; std::memcpy(&v, b, 8); return v; }
        default: return 0.0;
    }
}

bool is_integer(Type t) {
    return t != kFloat32 && t != kFloat64 && t != kNoType;
}

class PlyReader {
public:
    PlyReader(MeshBuilder& b, const unsigned char* data, std::size_t size)
        : b_(b), data_(data), size_(size) {}

    int run() {
        if (!header()) return 0;
        return encoding_ == kAscii ? ascii_body() : binary_body();
    }

private:
    int header_error(const TextCursor& c, const char* what) {
        return file_error(b_.name(), "line %zu: %s", c.line, what);
    }

    int header();
    int check_elements(const TextCursor& c);
    int binary_body();
    int ascii_body();
    int take_vertex(const Element& e, const double* values);
    template <class Where>
    int take_face(unsigned long long index, const double* items, std::size_t n, Where where);

    MeshBuilder& b_;
    const unsigned char* data_;
    std::size_t size_;
    std::size_t body_ = 0;
    std::size_t body_line_ = 0;
    Encoding encoding_ = kAscii;
    std::vector<Element> elements_;
    unsigned long long vertex_count_ = 0;
    bool vertices_seen_ = false;
    std::vector<unsigned> corners_;
};

int PlyReader::header() {
    const char* text = reinterpret_cast<const char*>(data_);
    TextCursor c{text, text + size_};
    if (!c.keyword("ply")) return header_error(c, "expected \"ply\"");
    c.next_line();
    bool format_seen = false;
    for (;;) {
        c.skip_blanks();
        if (c.at_end()) return header_error(c, "the header has no \"end_header\"");
        const std::size_t n = c.token_length();
        const std::string word(c.p, n);
        c.p += n;
        c.skip_blanks();
        if (word == "end_header") {
            c.next_line();
            break;
        }
        if (word == "comment" || word == "obj_info" || word.empty()) {
            c.next_line();
            continue;
        }
        if (word == "format") {
            if (c.keyword("ascii")) encoding_ = kAscii;
            else if (c.keyword("binary_little_endian")) encoding_ = kLittle;
            else if (c.keyword("binary_big_endian")) encoding_ = kBig;
            else return header_error(c, "unknown format");
            format_seen = true;
        } else if (word == "element") {
            Element e;
            const std::size_t len = c.token_length();
            e.name.assign(c.p, len);
            c.p += len;
            c.skip_blanks();
            long long count = -1;
            if (!c.int64(&count) || count < 0 || count > 0xFFFFFFFFll)
                return header_error(c, "expected an element count below 2^32");
            e.count = static_cast<unsigned long long>(count);
            elements_.push_back(e);
        } else if (word == "property") {
            if (elements_.empty()) return header_error(c, "a property before any element");
            Property prop;
            if (c.keyword("list")) {
                c.skip_blanks();
                prop.count_type = type_of(c.p, c.token_length());
                c.p += c.token_length();
                c.skip_blanks();
                if (!is_integer(prop.count_type)) return header_error(c, "bad list length type");
            }
            prop.type = type_of(c.p, c.token_length());
            if (prop.type == kNoType) return header_error(c, "unknown property type");
            c.p += c.token_length();
            c.skip_blanks();
            prop.name.assign(c.p, c.token_length());
            Element& e = elements_.back();
            const int at = static_cast<int>(e.props.size());
            const bool list = prop.count_type != kNoType;
            if (!list && prop.name == "x") e.x = at;
            if (!list && prop.name == "y") e.y = at;
            if (!list && prop.name == "z") e.z = at;
            if (list && (prop.name == "vertex_indices" || prop.name == "vertex_index")) {
                if (!is_integer(prop.type)) return header_error(c, "vertex indices must be integers");
                e.list = at;
            }
            e.props.push_back(prop);
        } else {
            return header_error(c, "unknown header line");
        }
        c.next_line();
    }
    if (!format_seen) return header_error(c, "the header has no format line");
    body_ = static_cast<std::size_t>(c.p - text);
    body_line_ = c.line;
    return check_elements(c);
}

// The counts are checked against the bytes after the header before anything is read
// or reserved: each element takes at least its fixed-size values and list lengths in
// binary, and at least two characters a value in ASCII.
int PlyReader::check_elements(const TextCursor& c) {
    unsigned long long least = 0;
    for (Element& e : elements_) {
        unsigned long long one = 0;
        for (const Property& p : e.props)
            one += encoding_ == kAscii ? 2 : size_of(p.count_type != kNoType ? p.count_type : p.type);
        if (e.name == "vertex") {
            if (e.x < 0 || e.y < 0 || e.z < 0)
                return header_error(c, "the vertex element has no x, y and z");
            vertex_count_ = e.count;
        }
        if (e.name == "face" && e.list < 0)
            return header_error(c, "the face element has no vertex_indices list");
        least += one * e.count;
        if (least > size_ - body_ + 1)
            return file_error(b_.name(), "byte %zu: element \"%s\": %llu elements need at least "
                              "%llu bytes, %zu follow the header",
                              body_, e.name.c_str(), e.count, least, size_ - body_);
    }
    return 1;
}

int PlyReader::take_vertex(const Element& e, const double* values) {
    const double p[3] = {values[e.x], values[e.y], values[e.z]};
    b_.add_file_vertex(p);
    return 1;
}

template <class Where>
int PlyReader::take_face(unsigned long long index, const double* items, std::size_t n,
                         Where where) {
    if (!vertices_seen_)
        return file_error(b_.name(), "%s: the face element comes before the vertex element",
                          where().c_str());
    if (n < 3)
        return file_error(b_.name(), "%s: face %llu has %zu corner%s", where().c_str(), index, n,
                          n == 1 ? "" : "s");
    corners_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!(items[i] >= 0 && items[i] < static_cast<double>(vertex_count_)) ||
            items[i] != std::floor(items[i]))
            return file_error(b_.name(), "%s: face %llu: vertex index %.17g out of range (%llu "
                              "vertices)",
                              where().c_str(), index, items[i], vertex_count_);
        corners_[i] = static_cast<unsigned>(items[i]);
    }
    b_.add_polygon(corners_.data(), nullptr, static_cast<unsigned>(n),
                   static_cast<unsigned>(index));
    return 1;
}

int PlyReader::binary_body() {
    const bool swap = encoding_ == kBig;
    std::size_t at = body_;
    std::vector<double> values, items;
    for (const Element& e : elements_) {
        const bool is_vertex = e.name == "vertex", is_face = e.name == "face";
        if (is_vertex) b_.reserve(e.count, 0);
        if (is_face) b_.reserve(0, 2 * e.count);
        values.resize(e.props.size());
        for (unsigned long long i = 0; i < e.count; ++i) {
            const std::size_t start = at;
            auto where = [&]() {
                char text[96];
                std::snprintf(text, sizeof text, "element \"%.20s\" %llu at byte %zu",
                              e.name.c_str(), i, start);
                return std::string(text);
            };
            for (std::size_t k = 0; k < e.props.size(); ++k) {
                const Property& p = e.props[k];
                if (p.count_type == kNoType) {
                    if (size_ - at < size_of(p.type))
                        return file_error(b_.name(), "%s: truncated", where().c_str());
                    values[k] = binary_value(data_ + at, p.type, swap);
                    at += size_of(p.type);
                    continue;
                }
                if (size_ - at < size_of(p.count_type))
                    return file_error(b_.name(), "%s: truncated", where().c_str());
                const double len = binary_value(data_ + at, p.count_type, swap);
                at += size_of(p.count_type);
                if (len < 0 || len * size_of(p.type) > static_cast<double>(size_ - at))
                    return file_error(b_.name(), "%s: a list of %.0f items runs past the end",
                                      where().c_str(), len);
                const std::size_t n = static_cast<std::size_t>(len);
                if (static_cast<int>(k) == e.list) {
                    items.resize(n);
                    for (std::size_t j = 0; j < n; ++j)
                        items[j] = binary_value(data_ + at + j * size_of(p.type), p.type, swap);
                }
                at += n * size_of(p.type);
            }
            if (is_vertex && !take_vertex(e, values.data())) return 0;
            if (is_face && !take_face(i, items.data(), items.size(), where)) return 0;
        }
        if (is_vertex) vertices_seen_ = true;
    }
    if (at != size_)
        return file_error(b_.name(), "byte %zu: %zu bytes after the last element", at, size_ - at);
    return 1;
}

int PlyReader::ascii_body() {
    const char* text = reinterpret_cast<const char*>(data_);
    TextCursor c{text + body_, text + size_, body_line_};
    std::vector<double> values, items;
    std::size_t line = c.line;
    auto where = [&]() { return "line " + std::to_string(line); };
    for (const Element& e : elements_) {
        const bool is_vertex = e.name == "vertex", is_face = e.name == "face";
        if (is_vertex) b_.reserve(e.count, 0);
        if (is_face) b_.reserve(0, 2 * e.count);
        values.resize(e.props.size());
        for (unsigned long long i = 0; i < e.count; ++i) {
            for (std::size_t k = 0; k < e.props.size(); ++k) {
                const Property& p = e.props[k];
                c.skip_space();
                line = c.line;
                double v = 0.0;
                if (!c.real(&v))
                    return file_error(b_.name(), "line %zu: element \"%.20s\" %llu: expected a "
                                      "number, found %s",
                                      c.line, e.name.c_str(), i, c.shown().c_str());
                if (p.count_type == kNoType) {
                    values[k] = v;
                    continue;
                }
                if (!(v >= 0 && v <= static_cast<double>(c.end - c.p) / 2))
                    return file_error(b_.name(), "%s: a list of %.17g items runs past the end",
                                      where().c_str(), v);
                const std::size_t n = static_cast<std::size_t>(v);
                if (static_cast<int>(k) == e.list) items.resize(n);
                for (std::size_t j = 0; j < n; ++j) {
                    c.skip_space();
                    double item = 0.0;
                    if (!c.real(&item))
                        return file_error(b_.name(), "line %zu: expected a list item, found %s",
                                          c.line, c.shown().c_str());
                    if (static_cast<int>(k) == e.list) items[j] = item;
                }
            }
            if (is_vertex && !take_vertex(e, values.data())) return 0;
            if (is_face && !take_face(i, items.data(), items.size(), where)) return 0;
        }
        if (is_vertex) vertices_seen_ = true;
    }
    c.skip_space();
    if (!c.at_end())
        return file_error(b_.name(), "line %zu: expected the end of the file, found %s", c.line,
                          c.shown().c_str());
    return 1;
}

void put_le(FileOut& out, const void* value, std::size_t n) {
    out.put(static_cast<const char*>(value), n);  // the writer runs on little-endian hosts
}

}  // namespace

int read_ply(MeshBuilder& b, const unsigned char* data, std::size_t size) {
    return PlyReader(b, data, size).run();
}

int write_ply(const KelmMeshFacetSet* fs, FILE* fp, bool binary) {
    FileOut out(fp);
    const unsigned nv = fs->getVertexCount(), nf = fs->getFacetCount();
    unsigned count = 0;
    for (unsigned f = 0; f < nf; ++f)
        if (fs->getFacet(f)) ++count;
    out.put(binary ? "ply\nformat binary_little_endian 1.0\n" : "ply\nformat ascii 1.0\n");
    out.put("comment written by kelmmath\nelement vertex ");
    out.uint(nv);
    out.put("\nproperty double x\nproperty double y\nproperty double z\nelement face ");
    out.uint(count);
    out.put("\nproperty list uchar uint vertex_indices\nend_header\n");
    for (unsigned v = 0; v < nv; ++v) {
        double p[3];
        fs->getVertex(p, v);
        if (binary) {
            put_le(out, p, sizeof p);
            continue;
        }
        out.reals_line("", p);
    }
    for (unsigned f = 0; f < nf; ++f) {
        const KelmMeshFacet* facet = fs->getFacet(f);
        if (!facet) continue;
        if (binary) {
            const unsigned char three = 3;
            put_le(out, &three, 1);
            put_le(out, facet->vertex, sizeof facet->vertex);
            continue;
        }
        out.triangle_line(facet->vertex);
    }
    return out.ok() ? 1 : 0;
}

}  // namespace kelm_internal

#ifndef KELMMATH_TESTS_SUPPORT_MESHIO_H
#define KELMMATH_TESTS_SUPPORT_MESHIO_H

// Helpers of the exchange-format tests: a stream that records every put, files in a
// scratch folder, golden texts.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "support/golden.h"
#include "support/meshes.h"

namespace kelm_test {

// Vertices (0,0,0), (1,0,0), (0,1,0) and the facet 0 1 2 without normals.
inline void make_triangle(KelmMeshFacetSet& fs) {
    fs.clear();
    fs.createVertex(KelmPoint(0.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(1.0, 0.0, 0.0));
    fs.createVertex(KelmPoint(0.0, 1.0, 0.0));
    add_facet(fs, 0, 1, 2);
}

// Two faces over facets 0-1 and 2-3: the first with the attributes name = wheel and
// part = a&b and the colour 0x00ff00, the second with nothing.
inline void add_two_faces(KelmMeshFacetSet& fs) {
    KelmMeshFace* a = fs.createFace(0, 2);
    KelmMeshFaceAtts* atts = new KelmMeshFaceAtts;
    atts->setAttribute("name", "wheel");
    atts->setAttribute("part", "a&b");
    a->addProp(atts);
    kelm_mesh_set_color(a, 0x00ff00);
    fs.createFace(2, 2);
}

// printf("%g", v).
inline std::string printf_g(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Records each piece handed to put, and counts flushes.
class RecordingStream : public KelmOutputStream {
public:
    using KelmOutputStream::put;
    void put(const char* text) override { pieces.push_back(text ? text : "<null>"); }
    void flush() override { ++flushes; }

    std::string text() const {
        std::string all;
        for (const std::string& p : pieces) all += p;
        return all;
    }

    std::vector<std::string> pieces;
    int flushes = 0;
};

// A path in the build tree, unique to this process; the file is removed at the end.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& name) {
        path_ =
            std::string(KELMMATH_BINARY_DIR) + "/meshio_" + std::to_string(getpid()) + "_" + name;
        std::remove(path_.c_str());
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* path() const { return path_.c_str(); }
    bool exists() const { return access(path_.c_str(), F_OK) == 0; }
    std::string read() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write(const std::string& text) const {
        std::ofstream out(path_, std::ios::binary);
        out << text;
    }

private:
    std::string path_;
};

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_MESHIO_H

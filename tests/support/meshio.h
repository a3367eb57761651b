#ifndef KELMMATH_TESTS_SUPPORT_MESHIO_H
#define KELMMATH_TESTS_SUPPORT_MESHIO_H

// Helpers of the exchange-format tests: binary STL bytes, a stream that records every
// put, files in a scratch folder, the file forms of a writer, golden texts, the
// one-triangle mesh.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/mesh/faceprops.h"
#include "kelmmath/mesh/facetset.h"
#include "support/capture.h"
#include "support/golden.h"
#include "support/meshes.h"

namespace kelm_test {

// The three numbers at p (a vertex, a normal), comparable as a whole.
inline std::vector<double> triple(const double* p) {
    return {p[0], p[1], p[2]};
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

// A binary STL: the 80-byte header, the count, then each triangle given as its normal
// and three corners (twelve floats).
inline std::string binary_stl(std::uint32_t count, const std::vector<std::vector<float>>& tris,
                              const std::string& header = std::string(80, '\0')) {
    std::string s = header;
    s.append(reinterpret_cast<const char*>(&count), 4);
    for (const auto& t : tris) {
        s.append(reinterpret_cast<const char*>(t.data()), 48);
        s.append(2, '\0');
    }
    return s;
}

// Records each piece handed to put, and counts flushes.
class RecordingStream : public KelmOutputStream {
public:
    using KelmOutputStream::put;
    void put(const char* text) override { pieces.push_back(text ? text : "<null>"); }
    void flush() override { ++flushes; }

    // The pieces, joined by sep.
    std::string joined(const char* sep = "|") const {
        std::string all;
        for (std::size_t i = 0; i < pieces.size(); ++i) all += (i ? sep : "") + pieces[i];
        return all;
    }
    std::string text() const { return joined(""); }

    std::vector<std::string> pieces;
    int flushes = 0;
};

// A path in the build tree, unique to this process; the file is removed at the end.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& name)
        : path_(std::string(KELMMATH_BINARY_DIR) + "/meshio_" + std::to_string(getpid()) + "_" +
                name) {
        std::remove(path_.c_str());
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* path() const { return path_.c_str(); }
    std::string read() const {
        std::ostringstream s;
        s << std::ifstream(path_, std::ios::binary).rdbuf();
        return s.str();
    }
    void write(const std::string& text) const { std::ofstream(path_, std::ios::binary) << text; }

private:
    std::string path_;
};

// Runs form on a recording stream, on a scratch file, on a path that cannot be opened
// and on a null path: the file holds what the stream was put, the others get nothing
// and no message. Returns the text.
template <class Form>
std::string expect_file_form(Form form) {
    RecordingStream os;
    form(static_cast<KelmOutputStream*>(&os));
    ScratchFile file("form.out");
    form(file.path());
    EXPECT_EQ(file.read(), os.text());
    ErrorRecorder errors;
    form((std::string(KELMMATH_BINARY_DIR) + "/no_such_dir_meshio/x").c_str());
    form(static_cast<const char*>(nullptr));
    EXPECT_EQ(errors.count(), 0u);
    return os.text();
}

}  // namespace kelm_test

#endif  // KELMMATH_TESTS_SUPPORT_MESHIO_H

// Meshes for Python: a facet set from and to NumPy arrays, faces with colours and
// attributes, the mesh XML and JSON formats, and topology queries as arrays.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "bindings.h"
#include "mesh_object.h"

namespace kelm_python {

namespace {

using Rows = py::array_t<double, py::array::c_style>;
using Index = py::array_t<std::uint32_t, py::array::c_style>;

py::str text(const char* s) {
    if (s == nullptr) return py::str("");
    PyObject* o = PyUnicode_DecodeUTF8(s, static_cast<Py_ssize_t>(std::strlen(s)), "surrogateescape");
    if (o == nullptr) throw py::error_already_set();
    return py::reinterpret_steal<py::str>(o);
}

std::string bytesOf(const py::handle& s) {
    // str as UTF-8 with surrogate escapes turned back into their bytes, so that a text
    // read from a file goes back out unchanged.
    PyObject* b = PyUnicode_AsEncodedString(s.ptr(), "utf-8", "surrogateescape");
    if (b == nullptr) throw py::error_already_set();
    py::bytes owned = py::reinterpret_steal<py::bytes>(b);
    std::string out = owned;
    if (out.find('\0') != std::string::npos) throw py::value_error("text holds a NUL character");
    return out;
}

// What a C++ caller does to make a facet set of flat arrays.
void build(KelmMeshFacetSet& fs, const double* v, py::ssize_t nv, const std::uint32_t* f,
           py::ssize_t nf) {
    for (py::ssize_t i = 0; i < nv; ++i) fs.createVertex(v + 3 * i);
    for (py::ssize_t i = 0; i < nf; ++i) {
        KelmMeshFacet* facet = fs.createFacet(nullptr);
        for (int k = 0; k < 3; ++k) facet->vertex[k] = f[3 * i + k];
    }
}

Mesh fromArrays(const py::handle& vertices, const py::handle& facets) {
    Rows v = realRows(vertices, 3, "vertices");
    if (v.shape(0) >= static_cast<py::ssize_t>(KELM_NONE))
        throw py::value_error("vertices: too many vertices");
    Index f = indexRows(facets, 3, static_cast<std::uint64_t>(v.shape(0)), "facets");
    Mesh m;
    build(*m.fs, v.data(), v.shape(0), f.data(), f.shape(0));
    return m;
}

// The benchmark's baseline: the seconds the C++ build alone takes on arrays that are
// already float64 and uint32 (no checks, no conversion).
double nativeBuildSeconds(const Rows& v, const Index& f) {
    const auto start = std::chrono::steady_clock::now();
    KelmMeshFacetSet fs;
    build(fs, v.data(), v.shape(0), f.data(), f.shape(0));
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(stop - start).count();
}

// The vertex (or normal) storage as a read-only (n, 3) view that keeps the mesh alive.
py::array view(const KelmReal3DArray& a, const py::object& owner) {
    py::array out(py::dtype::of<double>(), {static_cast<py::ssize_t>(a.size()), py::ssize_t{3}},
                  {static_cast<py::ssize_t>(3 * sizeof(double)), static_cast<py::ssize_t>(sizeof(double))},
                  a.data(), owner);
    py::detail::array_proxy(out.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return out;
}

Index facetArray(const KelmMeshFacetSet& fs) {
    const unsigned n = fs.getFacetCount();
    Index out({static_cast<py::ssize_t>(n), py::ssize_t{3}});
    std::uint32_t* p = out.mutable_data();
    for (unsigned i = 0; i < n; ++i) {
        const KelmMeshFacet* f = fs.getFacet(i);
        for (int k = 0; k < 3; ++k) p[3 * i + k] = f ? f->vertex[k] : KELM_NONE;
    }
    return out;
}

py::list faceList(const KelmMeshFacetSet& fs) {
    py::list faces;
    for (unsigned i = 0; i < fs.getFaceCount(); ++i) {
        const KelmMeshFace* face = fs.getFace(i);
        if (face == nullptr) continue;
        py::dict d;
        d["first"] = face->getFirstFacet();
        d["count"] = face->getFacetCount();
        const unsigned color = kelm_mesh_get_color(const_cast<KelmMeshFace*>(face));
        d["color"] = color == KELM_NO_COLOR ? py::object(py::none()) : py::object(py::int_(color));
        py::dict atts;
        if (const KelmMeshFaceAtts* a = KelmMeshFaceAtts::find(face)) {
            const KelmMeshShellFaceAttributeVec& v = a->getAttributes();
            for (unsigned k = 0; k < v.size(); ++k) atts[text(v[k]->name.str())] = text(v[k]->value.str());
        }
        d["attributes"] = atts;
        faces.append(d);
    }
    return faces;
}

void addFace(Mesh& m, unsigned first, unsigned count, const py::object& color,
             const py::object& attributes) {
    KelmMeshFacetSet& fs = *m.fs;
    if (static_cast<unsigned long long>(first) + count > fs.getFacetCount())
        throw py::index_error("add_face: facets " + std::to_string(first) + " .. " +
                              std::to_string(static_cast<unsigned long long>(first) + count) +
                              " run past the facet count " + std::to_string(fs.getFacetCount()));
    unsigned rgb = KELM_NO_COLOR;
    if (!color.is_none()) {
        const long long c = py::cast<long long>(color);
        if (c < 0 || c > 0xffffff) throw py::value_error("add_face: a colour is 0xRRGGBB");
        rgb = static_cast<unsigned>(c);
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!attributes.is_none())
        for (auto item : py::cast<py::dict>(attributes))
            pairs.emplace_back(bytesOf(item.first), bytesOf(py::str(item.second)));
    KelmMeshFace* face = fs.createFace(first, count);
    if (rgb != KELM_NO_COLOR) kelm_mesh_set_color(face, rgb);
    if (!pairs.empty()) {
        KelmMeshFaceAtts* atts = KelmMeshFaceAtts::make(face);
        for (const auto& p : pairs) atts->setAttribute(p.first.c_str(), p.second.c_str());
    }
}

void writeText(const std::string& path, const char* body, const char* what) {
    std::ofstream out(path, std::ios::binary);
    if (!out) throw py::value_error(std::string(what) + ": cannot open " + path + " for writing");
    out << body;
    out.close();
    if (!out) throw py::value_error(std::string(what) + ": cannot write " + path);
}

std::string xmlText(const Mesh& m, const std::string& id, const py::object& color) {
    const unsigned rgb = color.is_none() ? KELM_NO_COLOR : py::cast<unsigned>(color);
    KelmOutputString out;
    Capture cap;
    kelm_mesh_xml_save(&out, m.fs.get(), id.c_str(), rgb);
    cap.finish("write_xml");
    return out.str();
}

py::list readXml(const std::string& path) {
    if (FILE* fp = std::fopen(path.c_str(), "r"))
        std::fclose(fp);
    else
        throw py::value_error("read_xml: cannot open " + path);
    KelmMeshShellRecordVec recs;
    Capture cap;
    const int ok = kelm_mesh_xml_read(&recs, path.c_str());
    cap.finish(("read_xml: " + path).c_str(), ok == 0);
    py::list shells;
    for (unsigned i = 0; i < recs.size(); ++i) {
        KelmMeshShellRecord* rec = recs[i];
        Mesh m;
        kelm_mesh_copy(m.fs.get(), rec);
        shells.append(py::make_tuple(text(rec->id.str()), m));
    }
    return shells;
}

// Topology over a Mesh; holds the mesh so that the facet set outlives the tables.
struct Topology {
    Mesh mesh;
    KelmMeshTopology topo;
};

std::unique_ptr<Topology> makeTopology(const Mesh& m) {
    auto t = std::make_unique<Topology>();
    t->mesh = m;
    Capture cap;
    t->topo.init(m.fs.get());
    // A mesh with an edge of three facets still gets its tables; say so as warnings.
    for (const std::string& e : cap.errors()) {
        if (PyErr_WarnEx(PyExc_UserWarning, e.c_str(), 2) != 0) throw py::error_already_set();
    }
    cap.finish("topology");  // warnings only; errors were handed on above
    return t;
}

template <class Get>
Index table(unsigned rows, unsigned width, Get get) {
    Index out({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(width)});
    std::uint32_t* p = out.mutable_data();
    for (unsigned i = 0; i < rows; ++i)
        for (unsigned k = 0; k < width; ++k) p[width * i + k] = get(i, k);
    return out;
}

py::tuple validate(const Topology& t) {
    struct Collect : KelmErrorContext {
        std::vector<std::string> lines;
        void report(Severity, const char* message) override {
            std::string s = message ? message : "";
            while (!s.empty() && s.back() == '\n') s.pop_back();
            lines.push_back(s);
        }
    } collect;
    KelmErrorContext* previous = kelm_set_ec(&collect);
    const int ok = t.topo.validate(0);
    kelm_set_ec(previous);
    py::list messages;
    for (const std::string& s : collect.lines) messages.append(s);
    return py::make_tuple(ok != 0, messages);
}

const std::pair<const char*, KelmMeshFileFormat> kFormats[] = {
    {"stl", kelm_mesh_file_stl_binary}, {"stl_ascii", kelm_mesh_file_stl_ascii},
    {"obj", kelm_mesh_file_obj},        {"ply", kelm_mesh_file_ply_binary_le},
    {"ply_ascii", kelm_mesh_file_ply_ascii}, {"ply_be", kelm_mesh_file_ply_binary_be},
    {"off", kelm_mesh_file_off}};

KelmMeshFileFormat formatOf(const py::object& name, const std::string& path, bool writing) {
    if (name.is_none()) {
        if (!writing) return kelm_mesh_file_unknown;
        const KelmMeshFileFormat f = kelm_mesh_file_format_of_name(path.c_str());
        if (f == kelm_mesh_file_unknown)
            throw py::value_error("write: no mesh file format for the name " + path +
                                  " (use .stl, .obj, .ply or .off, or give format)");
        return f;
    }
    const std::string wanted = py::cast<std::string>(name);
    for (const auto& f : kFormats)
        if (wanted == f.first) return f.second;
    throw py::value_error("unknown mesh file format \"" + wanted +
                          "\" (stl, stl_ascii, obj, ply, ply_ascii, ply_be, off)");
}

const char* formatKey(KelmMeshFileFormat format) {
    for (const auto& f : kFormats)
        if (f.second == format) return f.first;
    return "unknown";
}

py::tuple readMesh(const std::string& path, const py::object& format, bool weld,
                   double weld_tolerance, bool keep_normals, bool keep_bad) {
    KelmMeshReadOptions o;
    o.format = formatOf(format, path, false);
    o.weld = weld ? 1 : 0;
    o.weld_tolerance = weld_tolerance;
    o.keep_normals = keep_normals ? 1 : 0;
    o.keep_bad = keep_bad ? 1 : 0;
    Mesh m;
    KelmMeshReadInfo info;
    Capture cap;
    const int ok = kelm_mesh_file_read(m.fs.get(), path.c_str(), &o, &info);
    cap.finish(("read_mesh: " + path).c_str(), ok == 0);
    py::dict d;
    d["format"] = formatKey(info.format);
    d["file_vertices"] = info.file_vertices;
    d["file_facets"] = info.file_facets;
    d["bad_facets"] = info.bad_facets;
    d["split_polygons"] = info.split_polygons;
    return py::make_tuple(m, d);
}

}  // namespace

void bindMesh(py::module_& m) {
    py::class_<Mesh>(m, "Mesh",
                     "A triangle mesh: vertices (n, 3) float64, facets (m, 3) uint32 of vertex\n"
                     "indices (their order gives the orientation), and faces (runs of facets\n"
                     "with a colour and text attributes). A Mesh does not change its vertices or\n"
                     "facets once made; operations that would return a new Mesh.")
        .def(py::init(&fromArrays), py::arg("vertices"), py::arg("facets"),
             "A mesh from a (n, 3) real array of vertices and a (m, 3) integer array of\n"
             "facets. Both are copied into the mesh. Raises TypeError for another dtype,\n"
             "ValueError for another shape or a NaN or infinite coordinate, IndexError for\n"
             "a vertex index outside [0, n).")
        .def_static("box",
                    [](double x0, double y0, double z0, double x1, double y1, double z1) {
                        Mesh b;
                        kelm_mesh_make_box(b.fs.get(), x0, y0, z0, x1, y1, z1);
                        return b;
                    },
                    py::arg("x0"), py::arg("y0"), py::arg("z0"), py::arg("x1"), py::arg("y1"),
                    py::arg("z1"),
                    "A closed box of 8 vertices and 12 outward facets between two corners.")
        .def_property_readonly("vertex_count", [](const Mesh& s) { return s.fs->getVertexCount(); },
                               "The number of vertices.")
        .def_property_readonly("facet_count", [](const Mesh& s) { return s.fs->getFacetCount(); },
                               "The number of facets (deleted ones included).")
        .def_property_readonly("vertices",
                               [](py::object self) {
                                   return view(py::cast<Mesh&>(self).fs->rawverts(), self);
                               },
                               "The vertices as a read-only (n, 3) float64 view of the mesh's own\n"
                               "storage (no copy).")
        .def_property_readonly("normals",
                               [](py::object self) {
                                   return view(py::cast<Mesh&>(self).fs->rawnormals(), self);
                               },
                               "The stored corner normals as a read-only (k, 3) float64 view.")
        .def_property_readonly("facets", [](const Mesh& s) { return facetArray(*s.fs); },
                               "The facets as a new (m, 3) uint32 array (a copy: the mesh keeps\n"
                               "its facets apart). A deleted facet is a row of NONE.")
        .def("facet_normals",
             [](const Mesh& s) {
                 const unsigned n = s.fs->getFacetCount();
                 Rows out({static_cast<py::ssize_t>(n), py::ssize_t{3}});
                 for (unsigned i = 0; i < n; ++i) s.fs->getFacetNormal(out.mutable_data() + 3 * i, i);
                 return out;
             },
             "The unit normal of every facet from its corners' order, (m, 3) float64;\n"
             "(0, 0, 0) for a degenerate facet.")
        .def_property_readonly("area", [](const Mesh& s) { return s.fs->getSurfaceArea(); },
                               "The surface area (sum of the facet areas).")
        .def("bounds",
             [](const Mesh& s) {
                 KelmBoundingBox box;
                 kelm_mesh_bounds(box, s.fs.get());
                 if (box.is_empty()) throw py::value_error("bounds: the mesh has no vertices");
                 Rows out({2, 3});
                 double* p = out.mutable_data();
                 p[0] = box.minx(), p[1] = box.miny(), p[2] = box.minz();
                 p[3] = box.maxx(), p[4] = box.maxy(), p[5] = box.maxz();
                 return out;
             },
             "The bounding box of the facets' corners as a (2, 3) array: minimum, maximum.")
        .def("transformed",
             [](const Mesh& s, const py::handle& xform) {
                 py::array a = realRows(xform, 4, "xform");
                 if (a.shape(0) != 4) throw py::value_error("xform: expected shape (4, 4)");
                 double mx[16];
                 const double* p = static_cast<const double*>(a.data());
                 for (int i = 0; i < 4; ++i)
                     for (int j = 0; j < 4; ++j) mx[j * 4 + i] = p[i * 4 + j];
                 Mesh out;
                 kelm_mesh_copy(out.fs.get(), s.fs.get(), mx);
                 return out;
             },
             py::arg("xform"),
             "A new mesh with every vertex through a (4, 4) placement (normals through its\n"
             "linear part); faces, colours and attributes are copied.")
        .def("copy",
             [](const Mesh& s) {
                 Mesh out;
                 kelm_mesh_copy(out.fs.get(), s.fs.get());
                 return out;
             },
             "A deep copy.")
        .def_property_readonly("faces", [](const Mesh& s) { return faceList(*s.fs); },
                               "The faces as dicts: first, count, color (0xRRGGBB or None),\n"
                               "attributes (a dict of str).")
        .def("add_face", &addFace, py::arg("first"), py::arg("count"),
             py::arg("color") = py::none(), py::arg("attributes") = py::none(),
             "Adds a face over facets first .. first+count-1 with an optional colour\n"
             "0xRRGGBB and text attributes. Faces do not change vertices or facets.")
        .def("to_xml",
             [](const Mesh& s, const std::string& id, const py::object& color) {
                 return xmlText(s, id, color);
             },
             py::arg("id") = "", py::arg("color") = py::none(),
             "The mesh as a mesh XML document (str).")
        .def("write_xml",
             [](const Mesh& s, const std::string& path, const std::string& id,
                const py::object& color) {
                 writeText(path, xmlText(s, id, color).c_str(), "write_xml");
             },
             py::arg("path"), py::arg("id") = "", py::arg("color") = py::none(),
             "Writes the mesh as a mesh XML file; raises ValueError when it cannot be written.")
        .def("write",
             [](const Mesh& s, const std::string& path, const py::object& format) {
                 const KelmMeshFileFormat f = formatOf(format, path, true);
                 Capture cap;
                 const int ok = kelm_mesh_file_write(s.fs.get(), path.c_str(), f);
                 cap.finish(("write: " + path).c_str(), ok == 0);
             },
             py::arg("path"), py::arg("format") = py::none(),
             "Writes the mesh as STL, OBJ, PLY or OFF: the format of the name's extension\n"
             "(.stl binary, .obj, .ply binary little-endian, .off) unless format names one\n"
             "(stl, stl_ascii, obj, ply, ply_ascii, off). Text formats keep every double;\n"
             "binary STL stores floats.")
        .def("to_json",
             [](const Mesh& s, const std::string& id) {
                 KelmOutputString out;
                 Capture cap;
                 kelm_mesh_json_save(&out, s.fs.get(), id.c_str(), KELM_NO_COLOR, 0);
                 cap.finish("to_json");
                 return std::string(out.str());
             },
             py::arg("id") = "", "The mesh as mesh JSON text.")
        .def("__repr__", [](const Mesh& s) {  // counts, for the interpreter
            return "<kelmmath.Mesh: " + std::to_string(s.fs->getVertexCount()) + " vertices, " +
                   std::to_string(s.fs->getFacetCount()) + " facets>";
        });

    m.def("_native_build_seconds", &nativeBuildSeconds, py::arg("vertices"), py::arg("facets"),
          "For benchmarks: seconds the C++ build of a facet set takes on float64 and uint32\n"
          "arrays, timed inside the library, without the checks Mesh() makes.");
    m.def("read_mesh", &readMesh, py::arg("path"), py::arg("format") = py::none(),
          py::arg("weld") = true, py::arg("weld_tolerance") = 0.0, py::arg("keep_normals") = false,
          py::arg("keep_bad") = false,
          "Reads an STL (binary or ASCII), OBJ, PLY or OFF file: (mesh, info). The format is\n"
          "found from the content unless format names one. Identical corners are welded\n"
          "(weld=False keeps every corner); weld_tolerance > 0 also joins vertices within\n"
          "that fraction of the bounding-box diagonal. info holds format, file_vertices,\n"
          "file_facets, bad_facets (non-finite coordinates: dropped with a KelmWarning\n"
          "unless keep_bad) and split_polygons. A bad file raises KelmError naming the\n"
          "line or byte offset.");
    m.def("read_xml", &readXml, py::arg("path"),
          "Reads every <shell> of a mesh XML file: a list of (id, Mesh). Raises KelmError\n"
          "with the reader's messages when the file is not a valid mesh XML document.");

    py::class_<Topology>(m, "Topology",
                         "Edges and adjacency of a mesh. Building it warns (KelmWarning) for\n"
                         "an edge used by three or more facets. NONE marks a missing entry.")
        .def(py::init(&makeTopology), py::arg("mesh"))
        .def_property_readonly("edge_count", [](const Topology& t) { return t.topo.getEdgeCount(); },
                               "The number of edges.")
        .def("edges",
             [](const Topology& t) {
                 return table(t.topo.getEdgeCount(), 2,
                              [&](unsigned e, unsigned k) { return t.topo.getEdgeVertex(e, k); });
             },
             "The two vertices of every edge, lower first: (k, 2) uint32.")
        .def("edge_facets",
             [](const Topology& t) {
                 return table(t.topo.getEdgeCount(), 2,
                              [&](unsigned e, unsigned k) { return t.topo.getEdgeFacet(e, k); });
             },
             "The (at most two) facets of every edge: (k, 2) uint32, NONE at a border.")
        .def("facet_edges",
             [](const Topology& t) {
                 return table(t.topo.getFacetCount(), 3,
                              [&](unsigned f, unsigned k) { return t.topo.getFacetEdge(f, k); });
             },
             "The edge of every facet's corners c0-c1, c1-c2, c2-c0: (m, 3) uint32.")
        .def("facet_neighbors",
             [](const Topology& t) {
                 return table(t.topo.getFacetCount(), 3, [&](unsigned f, unsigned k) {
                     return t.topo.getNeighborFacetByIndex(f, k);
                 });
             },
             "The facet across each of every facet's three edges: (m, 3) uint32, NONE at a\n"
             "border.")
        .def("border_edges",
             [](const Topology& t) {
                 std::vector<std::uint32_t> found;
                 for (unsigned e = 0; e < t.topo.getEdgeCount(); ++e)
                     if (t.topo.getEdgeFacet(e, 0) != KELM_NONE && t.topo.getEdgeFacet(e, 1) == KELM_NONE)
                         found.push_back(e);
                 Index out(static_cast<py::ssize_t>(found.size()));
                 std::copy(found.begin(), found.end(), out.mutable_data());
                 return out;
             },
             "The edges with one facet: a 1-D uint32 array of edge numbers.")
        .def("vertex_facets",
             [](const Topology& t, unsigned v) {
                 if (v >= t.mesh.fs->getVertexCount()) throw py::index_error("vertex_facets: no such vertex");
                 kelm_uint_vector facets;
                 t.topo.findVertexFacets(&facets, v);
                 Index out(static_cast<py::ssize_t>(facets.size()));
                 for (unsigned i = 0; i < facets.size(); ++i) out.mutable_data()[i] = facets[i];
                 return out;
             },
             py::arg("vertex"), "The facets around a vertex, in the order of a walk around it.")
        .def("validate", &validate,
             "Runs the five topology checks to the end: (ok, messages).");
}

}  // namespace kelm_python

// The triangulator for Python.

#include <string>
#include <vector>

#include "bindings.h"

namespace kelm_python {

namespace {

using Index = py::array_t<std::uint32_t, py::array::c_style>;

struct Triangulator {
    KelmDelaunay2D tri;
    bool ready = false;

    void requireReady(const char* what) const {
        if (!ready) throw py::value_error(std::string(what) + ": the triangulator has no bounds yet");
    }
};

std::unique_ptr<Triangulator> make(const py::handle& bounds, double yscale) {
    py::array_t<double, py::array::c_style> b = realRows(bounds, 2, "bounds");
    if (b.shape(0) != 2) throw py::value_error("bounds: expected shape (2, 2): minimum, maximum");
    const double* p = b.data();
    if (!(p[0] <= p[2] && p[1] <= p[3])) throw py::value_error("bounds: minimum above maximum");
    if (!std::isfinite(yscale) || yscale == 0.0) throw py::value_error("yscale must be finite and non-zero");
    auto t = std::make_unique<Triangulator>();
    KelmBoundingBox2D box;
    box.update(p);
    box.update(p + 2);
    Capture cap;
    t->ready = t->tri.init(&box, yscale) != 0;
    cap.finish("Triangulator", !t->ready);
    return t;
}

py::tuple triangulatePolygon(const py::list& rings, const std::string& fill) {
    int rule;
    if (fill == "evenodd")
        rule = KELM_FILL_EVEN_ODD;
    else if (fill == "nonzero")
        rule = KELM_FILL_NON_ZERO;
    else
        throw py::value_error("fill: \"evenodd\" or \"nonzero\", not \"" + fill + "\"");
    // Every ring is checked before the library sees any, so bad input leaves nothing.
    std::vector<py::array_t<double, py::array::c_style>> arrays;
    for (std::size_t i = 0; i < rings.size(); ++i) {
        const std::string what = "rings[" + std::to_string(i) + "]";
        arrays.push_back(realRows(rings[i], 2, what.c_str()));
    }
    KelmPolygon2D poly;
    Capture cap;
    for (const auto& a : arrays) poly.addRing(a.data(), static_cast<unsigned>(a.shape(0)));
    const int ok = poly.triangulate(rule);
    cap.finish("triangulate_polygon", ok == 0);
    const unsigned np = poly.getPointCount(), nt = poly.getTriangleCount();
    py::array_t<double, py::array::c_style> points({static_cast<py::ssize_t>(np), py::ssize_t{2}});
    for (unsigned i = 0; i < np; ++i) {
        points.mutable_data()[2 * i] = poly.getPoint(i)[0];
        points.mutable_data()[2 * i + 1] = poly.getPoint(i)[1];
    }
    Index tris({static_cast<py::ssize_t>(nt), py::ssize_t{3}});
    std::uint32_t* t = tris.mutable_data();
    for (unsigned i = 0; i < nt; ++i) poly.getTriangle(t + 3 * i, t + 3 * i + 1, t + 3 * i + 2, i);
    return py::make_tuple(points, tris, poly.getInputPointCount());
}

}  // namespace

void bindDelaunay(py::module_& m) {
    m.def("triangulate_polygon", &triangulatePolygon, py::arg("rings"), py::arg("fill") = "evenodd",
          "Triangulates the region that closed rings bound under a fill rule (\"evenodd\" or\n"
          "\"nonzero\"). rings is a list of (k, 2) arrays; they may touch, share segments,\n"
          "run back over themselves or cross. Returns (points, triangles, input_points):\n"
          "points (n, 2) float64, the rings' distinct points first in input order, then\n"
          "crossing points; triangles (m, 3) uint32, the inside triangles counter-clockwise;\n"
          "input_points, how many points come from the rings. Rings of fewer than three\n"
          "distinct points are skipped with a KelmWarning; NaN or infinite coordinates\n"
          "raise ValueError; a region the library cannot label raises KelmError.");
    py::class_<Triangulator>(m, "Triangulator",
                             "Incremental constrained Delaunay triangulation in the plane.\n"
                             "Vertices 0, 1 and 2 are the corners of an enclosing triangle made\n"
                             "around the bounds; inserted points are numbered from 3.")
        .def(py::init(&make), py::arg("bounds"), py::arg("yscale") = 1.0,
             "A triangulator for points within bounds, a (2, 2) array (minimum, maximum).")
        .def("insert_points",
             [](Triangulator& t, const py::handle& points) {
                 t.requireReady("insert_points");
                 auto p = realRows(points, 2, "points");
                 Index out(p.shape(0));
                 std::uint32_t* o = out.mutable_data();
                 for (py::ssize_t i = 0; i < p.shape(0); ++i) o[i] = t.tri.insertPoint(p.data() + 2 * i);
                 return out;
             },
             py::arg("points"),
             "Inserts (n, 2) points in order; returns their vertex numbers (NONE for a point\n"
             "that could not be inserted). A point equal to a vertex returns that vertex.")
        .def("insert_edge",
             [](Triangulator& t, unsigned a, unsigned b, bool border) {
                 t.requireReady("insert_edge");
                 if (a >= t.tri.getPointCount() || b >= t.tri.getPointCount())
                     throw py::index_error("insert_edge: no such vertex");
                 return t.tri.insertEdge(a, b, border ? 1 : 0) != 0;
             },
             py::arg("a"), py::arg("b"), py::arg("border") = true,
             "Forces an edge between vertices a and b (a border between inside and outside\n"
             "unless border is False). False when it cannot be forced (it crosses another\n"
             "forced edge or runs through a third vertex).")
        .def("resolve_inside",
             [](Triangulator& t) {
                 t.requireReady("resolve_inside");
                 t.tri.resolveInside();
             },
             "Labels the triangles inside the border edges by crossing parity.")
        .def_property_readonly("point_count", [](Triangulator& t) { return t.tri.getPointCount(); },
                               "The number of vertices, the three enclosing corners included.")
        .def("points",
             [](Triangulator& t) {
                 const unsigned n = t.tri.getPointCount();
                 py::array_t<double, py::array::c_style> out({static_cast<py::ssize_t>(n), py::ssize_t{2}});
                 for (unsigned i = 0; i < n; ++i) {
                     const double* p = t.tri.getPoint(i);
                     out.mutable_data()[2 * i] = p[0];
                     out.mutable_data()[2 * i + 1] = p[1];
                 }
                 return out;
             },
             "Every vertex, the enclosing corners first, as stored (y multiplied by yscale):\n"
             "(n, 2) float64.")
        .def("triangles",
             [](Triangulator& t) {
                 const unsigned n = t.tri.getTriangleCount();
                 Index out({static_cast<py::ssize_t>(n), py::ssize_t{3}});
                 std::uint32_t* o = out.mutable_data();
                 for (unsigned i = 0; i < n; ++i) t.tri.getTriangle(o + 3 * i, o + 3 * i + 1, o + 3 * i + 2, i);
                 return out;
             },
             "Every triangle's three vertices: (m, 3) uint32.")
        .def("inside",
             [](Triangulator& t) {
                 const unsigned n = t.tri.getTriangleCount();
                 py::array_t<std::int8_t> out(static_cast<py::ssize_t>(n));
                 for (unsigned i = 0; i < n; ++i) out.mutable_data()[i] = static_cast<std::int8_t>(t.tri.isInside(i));
                 return out;
             },
             "Every triangle's label: 1 inside, 0 outside, -1 not labelled (int8).");
}

}  // namespace kelm_python

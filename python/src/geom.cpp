// Units and placements for Python: scalars and arrays of values or points in, the
// same shapes out; placements as (4, 4) float64 arrays.

#include <string>

#include "bindings.h"

namespace kelm_python {

namespace {

using Rows = py::array_t<double, py::array::c_style>;

void checkCompatible(KelmUnit from, KelmUnit to) {
    if (kelm_get_unit_conversion_factor(from, to) == KELM_NULL_REAL)
        throw py::value_error(std::string("cannot convert ") + kelm_get_unit_name(from) + " (" +
                              kelm_get_measure_type_name(from) + ") to " +
                              kelm_get_unit_name(to) + " (" + kelm_get_measure_type_name(to) +
                              ")");
}

// A (4, 4) array (row i, column j is the matrix entry) into the library's
// column-major sixteen doubles, and back.
void toXform(double* m, const py::handle& obj) {
    py::array a = realRows(obj, 4, "placement");
    if (a.shape(0) != 4) throw py::value_error("placement: expected shape (4, 4)");
    const double* p = static_cast<const double*>(a.data());
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[j * 4 + i] = p[i * 4 + j];
}

Rows fromXform(const double* m) {
    Rows out({4, 4});
    double* p = out.mutable_data();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) p[i * 4 + j] = m[j * 4 + i];
    return out;
}

Rows xyz(const py::handle& obj, const char* what) {
    Rows v = realRows(obj, 0, what);
    if (v.shape(0) != 3) throw py::value_error(std::string(what) + ": expected 3 values");
    return v;
}

py::object convert(const py::handle& value, const py::handle& from, const py::handle& to) {
    const KelmUnit f = unitOf(from), t = unitOf(to);
    checkCompatible(f, t);
    if (py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value))
        return py::float_(kelm_get_measure_as_unit(py::cast<double>(value), f, t));
    py::array in = py::array::ensure(value);
    if (!in) throw py::type_error("convert: expected a number or an array of numbers");
    py::array flat = in.attr("reshape")(-1);
    Rows values = realRows(flat, 0, "convert", false);
    Rows out(values.shape(0));
    const double* src = values.data();
    double* dst = out.mutable_data();
    for (py::ssize_t i = 0; i < values.shape(0); ++i)
        dst[i] = kelm_get_measure_as_unit(src[i], f, t);
    return out.attr("reshape")(in.attr("shape"));
}

Rows convertPoints(const py::handle& points, const py::handle& from, const py::handle& to) {
    const KelmUnit f = unitOf(from), t = unitOf(to);
    checkCompatible(f, t);
    py::array a = py::array::ensure(points);
    if (!a || a.ndim() != 2 || (a.shape(1) != 3 && a.shape(1) != 2))
        throw py::value_error("convert_points: expected shape (n, 3) or (n, 2)");
    const py::ssize_t w = a.shape(1);
    Rows in = realRows(a, w, "convert_points", false);
    Rows out({in.shape(0), w});
    const double* src = in.data();
    double* dst = out.mutable_data();
    for (py::ssize_t i = 0; i < in.shape(0); ++i) {
        if (w == 3)
            kelm_vec_put_as_unit(dst + 3 * i, src + 3 * i, f, t);
        else
            kelm_vec2d_put_as_unit(dst + 2 * i, src + 2 * i, f, t);
    }
    return out;
}

Rows applyPoints(const py::handle& xform, const py::handle& points, bool directions) {
    double m[16];
    toXform(m, xform);
    Rows in = realRows(points, 3, "points", false);
    Rows out({in.shape(0), py::ssize_t{3}});
    const double* src = in.data();
    double* dst = out.mutable_data();
    const py::ssize_t n = in.shape(0);
    if (directions)
        for (py::ssize_t i = 0; i < n; ++i) kelm_xform_apply_dir(dst + 3 * i, m, src + 3 * i);
    else
        for (py::ssize_t i = 0; i < n; ++i) kelm_xform_apply(dst + 3 * i, m, src + 3 * i);
    return out;
}

}  // namespace

void bindGeom(py::module_& m) {
    m.def("unit", [](const py::handle& name) { return static_cast<int>(unitOf(name)); },
          py::arg("name"),
          "The unit number of a unit name, short or full, in any case (\"mm\", \"INCH\").\n"
          "Raises ValueError for a name the library does not know.");
    m.def("unit_name", [](const py::handle& u) { return kelm_get_unit_name(unitOf(u)); },
          py::arg("unit"), "The short name of a unit (\"in\" for \"inch\").");
    m.def("unit_fullname", [](const py::handle& u) { return kelm_get_unit_fullname(unitOf(u)); },
          py::arg("unit"), "The full name of a unit (\"inch\" for \"in\").");
    m.def("measure_type", [](const py::handle& u) { return kelm_get_measure_type_name(unitOf(u)); },
          py::arg("unit"), "The name of a unit's measure type (\"length\", \"linear speed\").");
    m.def("rate_unit",
          [](const py::handle& num, const py::handle& den) {
              const KelmUnit u = kelm_get_rational_unit(unitOf(num), unitOf(den));
              if (u == kelm_unit_unknown) throw py::value_error("no rate unit for that pair");
              return kelm_get_unit_name(u);
          },
          py::arg("numerator"), py::arg("denominator"),
          "The name of the rate unit numerator per denominator (\"mm\", \"min\" -> \"mm/min\").");
    m.def("convert", &convert, py::arg("value"), py::arg("from_unit"), py::arg("to_unit"),
          "A value, or every value of an array (any shape), converted between two units of\n"
          "one measure type; temperatures by their formulas. Returns a float for a number and\n"
          "a new float64 array of the same shape for an array. Raises ValueError for units of\n"
          "different measure types.");
    m.def("convert_points", &convertPoints, py::arg("points"), py::arg("from_unit"),
          py::arg("to_unit"),
          "Points or vectors of shape (n, 3) or (n, 2) converted componentwise by the\n"
          "conversion factor (no temperature offsets); a new float64 array.");

    m.def("xform_identity", []() { return fromXform(kelm_xform_identity); },
          "The identity placement as a (4, 4) float64 array.");
    m.def("xform_translation",
          [](const py::handle& v) {
              Rows o = xyz(v, "offset");
              double r[16];
              kelm_xform_put_identity(r);
              kelm_xform_put_origin(r, o.data());
              return fromXform(r);
          },
          py::arg("offset"), "A placement that moves points by offset (3 values).");
    m.def("xform_rotation",
          [](const py::handle& axis, double angle, const py::handle& unit) {
              Rows a = xyz(axis, "axis");
              double r[16];
              kelm_xform_put_identity(r);
              Capture cap;
              kelm_xform_put_rotation(r, a.data(), angle, unitOf(unit));
              cap.finish("xform_rotation");
              return fromXform(r);
          },
          py::arg("axis"), py::arg("angle"), py::arg("unit") = "deg",
          "A rotation about an axis through the origin by angle (right-hand rule), in\n"
          "degrees unless unit says otherwise (\"radian\").");
    m.def("xform_compose",
          [](const py::handle& a, const py::handle& b) {
              double ma[16], mb[16], r[16];
              toXform(ma, a);
              toXform(mb, b);
              kelm_xform_compose(r, ma, mb);
              return fromXform(r);
          },
          py::arg("a"), py::arg("b"), "The placement a @ b: b is applied first.");
    m.def("xform_inverse",
          [](const py::handle& a) {
              double ma[16], r[16];
              toXform(ma, a);
              Capture cap;
              const int ok = kelm_xform_inverse(r, ma);
              cap.finish("xform_inverse: the placement cannot be inverted", ok == 0);
              return fromXform(r);
          },
          py::arg("xform"), "The inverse placement; raises KelmError for a singular one.");
    m.def("xform_apply", [](const py::handle& x, const py::handle& p) { return applyPoints(x, p, false); },
          py::arg("xform"), py::arg("points"),
          "Points of shape (n, 3) through a placement (rotation, scale and origin); a new\n"
          "(n, 3) float64 array.");
    m.def("xform_apply_dir", [](const py::handle& x, const py::handle& p) { return applyPoints(x, p, true); },
          py::arg("xform"), py::arg("directions"),
          "Directions of shape (n, 3) through the linear part of a placement (no origin, no\n"
          "renormalisation); a new (n, 3) float64 array.");
}

}  // namespace kelm_python

// The Python module kelmmath._kelmmath: errors, input checks and the module itself.

#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>

#include "bindings.h"

namespace kelm_python {

namespace {

py::object& errorSlot() {
    static py::object* type = nullptr;  // lives as long as the interpreter
    if (type == nullptr) type = new py::object();
    return *type;
}

py::object& warningSlot() {
    static py::object* type = nullptr;
    if (type == nullptr) type = new py::object();
    return *type;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        std::string one = line;
        while (!one.empty() && one.back() == '\n') one.pop_back();
        if (!text.empty()) text += "\n";
        text += one;
    }
    return text;
}

// Integer and floating kinds NumPy calls 'i', 'u', 'f' (booleans are refused).
bool isReal(const py::dtype& dt) {
    const char k = dt.kind();
    return k == 'f' || k == 'i' || k == 'u';
}

bool isInteger(const py::dtype& dt) {
    const char k = dt.kind();
    return k == 'i' || k == 'u';
}

py::array asArray(const py::handle& obj, const char* what) {
    if (py::isinstance<py::array>(obj)) return py::reinterpret_borrow<py::array>(obj);
    try {
        return py::array::ensure(obj);
    } catch (py::error_already_set&) {
    }
    throw py::type_error(std::string(what) + ": expected an array");
}

void checkShape(const py::array& a, py::ssize_t width, const char* what) {
    const bool ok = width == 0 ? a.ndim() == 1 : a.ndim() == 2 && a.shape(1) == width;
    if (ok) return;
    std::string shape = "(";
    for (py::ssize_t i = 0; i < a.ndim(); ++i) {
        if (i) shape += ", ";
        shape += std::to_string(a.shape(i));
    }
    shape += a.ndim() == 1 ? ",)" : ")";
    const std::string want = width == 0 ? "(n,)" : "(n, " + std::to_string(width) + ")";
    throw py::value_error(std::string(what) + ": expected shape " + want + ", got " + shape);
}

}  // namespace

py::object errorType() { return errorSlot(); }

Capture::Capture() : previous_(kelm_set_ec(this)) {}

Capture::~Capture() {
    if (!restored_) kelm_set_ec(previous_);
}

void Capture::report(Severity severity, const char* message) {
    (severity == Error ? errors_ : warnings_).emplace_back(message ? message : "");
}

void Capture::finish(const char* what, bool failed) {
    kelm_set_ec(previous_);
    restored_ = true;
    for (const std::string& w : warnings_) {
        std::string text = w;
        while (!text.empty() && text.back() == '\n') text.pop_back();
        if (PyErr_WarnEx(warningSlot().ptr(), text.c_str(), 2) != 0) throw py::error_already_set();
    }
    if (!failed && errors_.empty()) return;
    std::string text = what;
    if (!errors_.empty()) text += ": " + joined(errors_);
    py::list messages;
    for (const std::string& e : errors_) {
        std::string one = e;
        while (!one.empty() && one.back() == '\n') one.pop_back();
        messages.append(one);
    }
    py::object exc = errorSlot()(text);
    exc.attr("messages") = messages;
    PyErr_SetObject(errorSlot().ptr(), exc.ptr());
    throw py::error_already_set();
}

py::array_t<double, py::array::c_style> realRows(const py::handle& obj, py::ssize_t width,
                                                 const char* what, bool finite) {
    py::array a = asArray(obj, what);
    if (!isReal(a.dtype()))
        throw py::type_error(std::string(what) + ": expected a real array (float or int), got dtype " +
                             std::string(py::str(a.dtype())));
    checkShape(a, width, what);
    auto rows = py::array_t<double, py::array::c_style>::ensure(a);  // copies only when needed
    if (!rows) throw py::error_already_set();
    if (finite) {
        const double* p = rows.data();
        const py::ssize_t n = rows.size();
        for (py::ssize_t i = 0; i < n; ++i) {
            if (!std::isfinite(p[i])) {
                const py::ssize_t w = width == 0 ? 1 : width;
                throw py::value_error(std::string(what) + ": row " + std::to_string(i / w) +
                                      " holds a NaN or infinite value");
            }
        }
    }
    return rows;
}

namespace {

// Every value of a C-contiguous integer array in [0, limit); the first that is not
// raises IndexError naming its row.
template <class T>
void checkRange(const py::array& a, std::uint64_t limit, py::ssize_t width, const char* what) {
    const T* p = static_cast<const T*>(a.data());
    const py::ssize_t n = a.size();
    for (py::ssize_t i = 0; i < n; ++i) {
        const T v = p[i];
        bool negative = false;
        if constexpr (std::is_signed<T>::value) negative = v < 0;
        if (negative || static_cast<std::uint64_t>(v) >= limit)
            throw py::index_error(std::string(what) + ": row " + std::to_string(i / width) +
                                  " holds index " + std::to_string(v) + ", outside [0, " +
                                  std::to_string(limit) + ")");
    }
}

}  // namespace

py::array_t<std::uint32_t, py::array::c_style> indexRows(const py::handle& obj,
                                                         py::ssize_t width,
                                                         std::uint64_t limit,
                                                         const char* what) {
    py::array a = asArray(obj, what);
    if (!isInteger(a.dtype()))
        throw py::type_error(std::string(what) + ": expected an integer array, got dtype " +
                             std::string(py::str(a.dtype())));
    checkShape(a, width, what);
    // The range is checked in the array's own type, so that no value wraps on the way.
    py::array c = py::array::ensure(a, py::array::c_style);
    if (!c) throw py::error_already_set();
    const py::ssize_t w = width == 0 ? 1 : width;
    const bool is_signed = c.dtype().kind() == 'i';
    switch (c.itemsize()) {
        case 1: is_signed ? checkRange<std::int8_t>(c, limit, w, what) : checkRange<std::uint8_t>(c, limit, w, what); break;
        case 2: is_signed ? checkRange<std::int16_t>(c, limit, w, what) : checkRange<std::uint16_t>(c, limit, w, what); break;
        case 4: is_signed ? checkRange<std::int32_t>(c, limit, w, what) : checkRange<std::uint32_t>(c, limit, w, what); break;
        default: is_signed ? checkRange<std::int64_t>(c, limit, w, what) : checkRange<std::uint64_t>(c, limit, w, what); break;
    }
    auto rows = py::array_t<std::uint32_t, py::array::c_style | py::array::forcecast>::ensure(c);
    if (!rows) throw py::error_already_set();
    return rows;
}

KelmUnit unitOf(const py::handle& obj) {
    if (py::isinstance<py::str>(obj)) {
        const std::string name = py::cast<std::string>(obj);
        const KelmUnit u = kelm_get_unit(name.c_str());
        if (u == kelm_unit_unknown && kelm_strcasecmp(name.c_str(), "unknown") != 0)
            throw py::value_error("unknown unit name \"" + name + "\"");
        return u;
    }
    if (py::isinstance<py::int_>(obj)) return static_cast<KelmUnit>(py::cast<int>(obj));
    throw py::type_error("a unit is a name (\"mm\", \"inch\") or a unit number");
}

}  // namespace kelm_python

PYBIND11_MODULE(_kelmmath, m) {
    namespace py = pybind11;
    using namespace kelm_python;
    m.doc() = "kelmmath: geometry and mesh mathematics for CAD and machining (native part).";
    errorSlot() = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "kelmmath.KelmError",
        "Raised when the library reports an error; `messages` lists every report.",
        PyExc_RuntimeError, nullptr));
    warningSlot() = py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
        "kelmmath.KelmWarning", "A warning the library reported during a call.",
        PyExc_UserWarning, nullptr));
    m.attr("KelmError") = errorSlot();
    m.attr("KelmWarning") = warningSlot();
    m.attr("NONE") = py::int_(KELM_NONE);
    m.attr("NO_COLOR") = py::int_(KELM_NO_COLOR);
    bindGeom(m);
    bindMesh(m);
    bindDelaunay(m);
    bindCheck(m);
}

#ifndef KELMMATH_PYTHON_BINDINGS_H
#define KELMMATH_PYTHON_BINDINGS_H

// Shared pieces of the Python module: the error capture that turns the library's
// reports into Python exceptions and warnings, and the checks that turn NumPy input
// into the flat arrays the library reads.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "kelmmath/kelmmath.h"

namespace kelm_python {

namespace py = pybind11;

// The module's exception type, kelmmath.KelmError; its `messages` attribute lists
// every error the library reported during the failed call.
py::object errorType();

// Installs itself as the library's error context for the length of one call and
// collects what the library reports. finish() raises KelmError when an error was
// reported (or when `failed` is set by the caller), and hands warnings to Python's
// warnings module. Reports never go to standard error while a capture is active.
class Capture : public KelmErrorContext {
public:
    Capture();
    ~Capture() override;
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    bool hasErrors() const { return !errors_.empty(); }
    const std::vector<std::string>& errors() const { return errors_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Restores the previous context, emits the warnings, and raises KelmError with
    // `what` (and every error) when an error was reported or `failed` is true.
    void finish(const char* what, bool failed = false);

protected:
    void report(Severity severity, const char* message) override;

private:
    KelmErrorContext* previous_;
    bool restored_ = false;
    std::vector<std::string> errors_;
    std::vector<std::string> warnings_;
};

// A C-contiguous float64 array of shape (n, width): accepted from any real numeric
// array (integer and float32 input are copied to float64; float64 C-contiguous input
// is used in place). Raises TypeError for other dtypes, ValueError for another shape
// or, with finite set, for NaN or infinite values. `what` names the argument.
py::array_t<double, py::array::c_style> realRows(const py::handle& obj, py::ssize_t width,
                                                 const char* what, bool finite = true);

// The same for index arrays: any integer dtype, every value in [0, limit), copied to
// uint32 unless it is uint32 C-contiguous already.
py::array_t<std::uint32_t, py::array::c_style> indexRows(const py::handle& obj,
                                                         py::ssize_t width,
                                                         std::uint64_t limit,
                                                         const char* what);

// A unit from a name ("mm", "inch", any case) or its number.
KelmUnit unitOf(const py::handle& obj);

void bindGeom(py::module_& m);
void bindMesh(py::module_& m);
void bindDelaunay(py::module_& m);
void bindCheck(py::module_& m);

}  // namespace kelm_python

#endif  // KELMMATH_PYTHON_BINDINGS_H

#ifndef KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H
#define KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H

// Helpers of the hostile-input tests: documents written to scratch files and read
// back with every report captured, expected parse-error lines built from expat's
// own wording, a quiet error context and standard output for the generated suites,
// and a watchdog that ends a generated suite which stops making progress (a hang,
// not a slow machine: the limit is generous).

#include <expat.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kelmmath/core/errors.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/meshio/xml_reader.h"
#include "support/capture.h"
#include "support/meshio.h"

namespace kelm_hostile {

using kelm_test::ScratchFile;

// What one read gave: the result and every report, in order.
struct ReadResult {
    int result = -1;
    std::vector<std::string> messages;
};

// Writes doc to a scratch file and reads it back with read.
template <class Out>
ReadResult read_with(int (*read)(Out*, const char*), const std::string& doc, Out* out) {
    ScratchFile file("hostile.xml");
    file.write(doc);
    kelm_test::ErrorRecorder recorder;
    ReadResult r;
    r.result = read(out, file.path());
    r.messages = recorder.errors();
    return r;
}

inline ReadResult read_all(const std::string& doc, KelmMeshShellRecordVec* recs) {
    return read_with(kelm_mesh_xml_read, doc, recs);
}

inline ReadResult read_shell(const std::string& doc, KelmMeshShellRecord* rec) {
    return read_with(kelm_mesh_xml_read_shell, doc, rec);
}

// The file readers' last report for an expat error at the given line.
inline std::string parse_error(int line, int code) {
    return "Parse error: line " + std::to_string(line) + ": " + KELMXML_ErrorString(code);
}

inline std::string text_of(const KelmStringObject& s) {
    return s.str() ? s.str() : "";
}

// Swallows reports; the generated suites check results, not texts.
class QuietContext : public KelmErrorContext {
public:
    QuietContext() : previous_(kelm_set_ec(this)) {}
    ~QuietContext() override { kelm_set_ec(previous_); }
    unsigned errors = 0;

protected:
    void report(Severity severity, const char*) override {
        if (severity == Error) ++errors;
    }

private:
    KelmErrorContext* previous_;
};

// Standard output goes to /dev/null while it lives: the generated suites call the
// diagnostics that print there thousands of times.
struct QuietStdout : kelm_test::StdoutCapture {
    QuietStdout() : StdoutCapture("/dev/null") {}
};

// Ends the process, naming the case, when one case of a generated suite runs for
// longer than the limit: an endless loop would otherwise only show as a test run that
// never finishes. Call start(name) at the beginning of each case.
class Watchdog {
public:
    explicit Watchdog(int seconds) : seconds_(seconds) { signal(SIGALRM, &Watchdog::fire); }
    ~Watchdog() {
        alarm(0);
        signal(SIGALRM, SIG_DFL);
    }

    void start(const std::string& name) {
        alarm(0);
        std::snprintf(message_, sizeof message_, "case %s ran for more than %d s: stopped\n",
                      name.c_str(), seconds_);
        alarm(static_cast<unsigned>(seconds_));
    }

private:
    static void fire(int) {
        const ssize_t written = write(2, message_, std::strlen(message_));
        static_cast<void>(written);
        std::abort();
    }

    static inline char message_[512];
    int seconds_;
};

}  // namespace kelm_hostile

#endif  // KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H

#ifndef KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H
#define KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H

// Helpers of the hostile-input tests: documents written to scratch files and read
// back with every report captured, expected parse-error lines built from expat's
// own wording, a quiet error context for the generated suites, and a watchdog that
// ends a generated suite which stops making progress (a hang, not a slow machine:
// the limit is generous).

#include <expat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kelmmath/core/errors.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/meshio/xml_reader.h"
#include "support/capture.h"

namespace kelm_hostile {

// A file in the build tree, unique to this process, removed at the end.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& name)
        : path_(std::string(KELMMATH_BINARY_DIR) + "/hostile_" + std::to_string(getpid()) + "_" +
                name) {}
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const char* path() const { return path_.c_str(); }
    void write(const std::string& text) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }

private:
    std::string path_;
};

// What one read gave: the result and every report, in order.
struct ReadResult {
    int result = -1;
    std::vector<std::string> messages;
};

inline ReadResult read_all(const std::string& doc, KelmMeshShellRecordVec* recs) {
    ScratchFile file("read_all.xml");
    file.write(doc);
    kelm_test::ErrorRecorder recorder;
    ReadResult r;
    r.result = kelm_mesh_xml_read(recs, file.path());
    r.messages = recorder.errors();
    return r;
}

inline ReadResult read_shell(const std::string& doc, KelmMeshShellRecord* rec) {
    ScratchFile file("read_shell.xml");
    file.write(doc);
    kelm_test::ErrorRecorder recorder;
    ReadResult r;
    r.result = kelm_mesh_xml_read_shell(rec, file.path());
    r.messages = recorder.errors();
    return r;
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
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved_ = dup(fileno(stdout));
        FILE* null = std::fopen("/dev/null", "w");
        if (null != nullptr) {
            dup2(fileno(null), fileno(stdout));
            std::fclose(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

// Ends the process, naming the case, when one case of a generated suite runs for
// longer than the limit: an endless loop would otherwise only show as a test run that
// never finishes. Call start(name) at the beginning of each case.
class Watchdog {
public:
    explicit Watchdog(int seconds) : limit_(seconds), thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void start(const std::string& name) {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = name;
        since_ = std::chrono::steady_clock::now();
    }

private:
    void watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            wake_.wait_for(lock, std::chrono::milliseconds(200));
            if (!name_.empty() && std::chrono::steady_clock::now() - since_ > limit_) {
                std::fprintf(stderr, "case %s ran for more than %d s: stopped\n", name_.c_str(),
                             static_cast<int>(limit_.count()));
                std::abort();
            }
        }
    }

    std::chrono::seconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::string name_;
    std::chrono::steady_clock::time_point since_ = std::chrono::steady_clock::now();
    std::thread thread_;
};

}  // namespace kelm_hostile

#endif  // KELMMATH_TESTS_HOSTILE_HOSTILE_SUPPORT_H

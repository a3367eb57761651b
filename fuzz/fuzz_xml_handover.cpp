// The shell reader inside a parse that belongs to someone else.
//
// The first input byte chooses how the caller feeds its parser (chunk size, and
// whether through XML_Parse or XML_GetBuffer/XML_ParseBuffer); the rest is the
// document. The caller's own handlers take every <shell> (handed over with
// kelm_mesh_xml_start_shell_element) and every <next> (handed over with
// kelm_mesh_xml_read_shell_element, so the next element to start is the shell), and
// suspend and resume the parse at every <pause>. Checked on every input:
//   - the caller's handlers, and done, always see the caller's own user data;
//   - done is called once per shell that ends, and re-installs the caller;
//   - after the parse, kelm_mesh_xml_abandon_shell frees whatever a failed parse left
//     (and finds nothing after a complete one), with the caller's user data back;
//   - for documents without <next> and <pause>, the records, the result and the
//     messages equal those of kelm_mesh_xml_read on the same bytes as a file, however
//     the caller cut the document into chunks (expat's own wording of a well-formedness
//     error excepted: it can depend on where a chunk ends).

#include <expat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/mesh/facetset.h"
#include "kelmmath/meshio/xml_reader.h"

namespace {

using kelm_fuzz::same_real;

// Records every report, as the differential check compares them.
class RecordingContext : public KelmErrorContext {
public:
    RecordingContext() : previous_(kelm_set_ec(this)) {}
    ~RecordingContext() override { kelm_set_ec(previous_); }
    std::vector<std::string> messages;

protected:
    void report(Severity, const char* message) override { messages.emplace_back(message); }

private:
    KelmErrorContext* previous_;
};

constexpr uint32_t kMagic = 0x6b656c6du;

struct Caller {
    uint32_t magic = kMagic;
    XML_Parser parser = nullptr;
    std::vector<std::unique_ptr<KelmMeshShellRecord>> records;
    unsigned handed_over = 0;
    unsigned done_calls = 0;
    unsigned text_bytes = 0;
    bool pause_requested = false;
};

Caller* caller_of(void* user_data) {
    Caller* c = static_cast<Caller*>(user_data);
    KELM_FUZZ_CHECK(c != nullptr && c->magic == kMagic);
    return c;
}

void XMLCALL caller_start(void* user_data, const XML_Char* name, const XML_Char** atts);
void XMLCALL caller_end(void* user_data, const XML_Char*) {
    caller_of(user_data);
}
void XMLCALL caller_text(void* user_data, const XML_Char*, int len) {
    caller_of(user_data)->text_bytes += static_cast<unsigned>(len);
}

void install(XML_Parser parser) {
    KELMXML_SetElementHandler(parser, caller_start, caller_end);
    KELMXML_SetCharacterDataHandler(parser, caller_text);
}

void done(XML_Parser parser) {
    Caller* c = caller_of(KELMXML_GetUserData(parser));
    KELM_FUZZ_CHECK(c->parser == parser);
    ++c->done_calls;
    install(parser);
}

void XMLCALL caller_start(void* user_data, const XML_Char* name, const XML_Char** atts) {
    Caller* c = caller_of(user_data);
    if (std::strcmp(name, "shell") == 0) {
        c->records.emplace_back(new KelmMeshShellRecord);
        KelmMeshShellRecord* rec = c->records.back().get();
        for (const XML_Char** a = atts; a[0] != nullptr; a += 2)
            if (std::strcmp(a[0], "id") == 0) {
                rec->id.copy(a[1]);
                break;
            }
        ++c->handed_over;
        kelm_mesh_xml_start_shell_element(c->parser, rec, done, name, atts);
    } else if (std::strcmp(name, "next") == 0) {
        c->records.emplace_back(new KelmMeshShellRecord);
        ++c->handed_over;
        kelm_mesh_xml_read_shell_element(c->parser, c->records.back().get(), done);
    } else if (std::strcmp(name, "pause") == 0) {
        c->pause_requested = true;
        KELMXML_StopParser(c->parser, XML_TRUE);
    }
}

// Feeds the document to the parser in chunks; resumes a suspended parse. true when
// the whole document parsed.
bool feed(XML_Parser parser, const uint8_t* doc, std::size_t size, std::size_t chunk,
          bool use_buffer) {
    std::size_t at = 0;
    for (;;) {
        const std::size_t n = size - at < chunk ? size - at : chunk;
        const bool last = at + n == size;
        KelmXML_Status status;
        if (use_buffer && n > 0) {
            void* buf = KELMXML_GetBuffer(parser, static_cast<int>(n));
            if (buf == nullptr) return false;
            std::memcpy(buf, doc + at, n);
            status = KELMXML_ParseBuffer(parser, static_cast<int>(n), last);
        } else {
            status = KELMXML_Parse(parser, reinterpret_cast<const char*>(doc + at),
                                   static_cast<int>(n), last);
        }
        at += n;
        while (status == KELMXML_STATUS_SUSPENDED) status = KELMXML_ResumeParser(parser);
        if (status != KELMXML_STATUS_OK) return false;
        if (last) return true;
    }
}

bool same_records(const KelmMeshShellRecord& a, const KelmMeshShellRecord& b) {
    if (std::strcmp(a.id.str() ? a.id.str() : "", b.id.str() ? b.id.str() : "") != 0) return false;
    if (a.getVertexCount() != b.getVertexCount() || a.getFacetCount() != b.getFacetCount() ||
        a.getNormalCount() != b.getNormalCount() || a.getFaceCount() != b.getFaceCount())
        return false;
    for (unsigned v = 0; v < a.getVertexCount(); ++v) {
        double p[3], q[3];
        a.getVertex(p, v);
        b.getVertex(q, v);
        for (int i = 0; i < 3; ++i)
            if (!same_real(p[i], q[i])) return false;
    }
    for (unsigned f = 0; f < a.getFacetCount(); ++f) {
        const KelmMeshFacet* x = a.getFacet(f);
        const KelmMeshFacet* y = b.getFacet(f);
        if (x == nullptr || y == nullptr) return false;
        if (std::memcmp(x->vertex, y->vertex, sizeof x->vertex) != 0 ||
            std::memcmp(x->normal, y->normal, sizeof x->normal) != 0)
            return false;
    }
    for (unsigned i = 0; i < a.getFaceCount(); ++i)
        if (a.getFace(i)->getFirstFacet() != b.getFace(i)->getFirstFacet() ||
            a.getFace(i)->getFacetCount() != b.getFace(i)->getFacetCount())
            return false;
    return true;
}

bool contains(const uint8_t* data, std::size_t size, const char* word) {
    const std::size_t n = std::strlen(word);
    for (std::size_t i = 0; i + n <= size; ++i)
        if (std::memcmp(data + i, word, n) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const uint8_t* doc = data + 1;
    const std::size_t doc_size = size - 1;
    static const std::size_t kChunks[] = {1, 2, 3, 7, 16, 64, 1000, 1u << 30};
    const std::size_t chunk = kChunks[mode % 8];
    const bool use_buffer = (mode & 0x08) != 0;

    RecordingContext ours;
    Caller caller;
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    KELM_FUZZ_CHECK(parser != nullptr);
    caller.parser = parser;
    KELMXML_SetUserData(parser, &caller);
    install(parser);
    const bool ok = feed(parser, doc, doc_size, chunk, use_buffer);
    if (!ok) {
        ours.messages.push_back("");
        char line[256];
        const char* what = KELMXML_ErrorString(KELMXML_GetErrorCode(parser));
        std::snprintf(line, sizeof line, "Parse error: line %d: %s",
                      static_cast<int>(KELMXML_GetCurrentLineNumber(parser)), what ? what : "");
        ours.messages.back() = line;
    }
    const int abandoned = kelm_mesh_xml_abandon_shell(parser);
    KELM_FUZZ_CHECK(abandoned == 0 || !ok);  // a complete parse leaves nothing behind
    KELM_FUZZ_CHECK(kelm_mesh_xml_abandon_shell(parser) == 0);
    caller_of(KELMXML_GetUserData(parser));
    KELM_FUZZ_CHECK(caller.done_calls <= caller.handed_over);
    if (ok) KELM_FUZZ_CHECK(caller.done_calls == caller.handed_over);
    KELMXML_ParserFree(parser);

    // The same bytes through the file reader.
    if (contains(doc, doc_size, "next") || contains(doc, doc_size, "pause")) return 0;
    RecordingContext theirs;
    kelm_fuzz::MemoryFile file;
    file.write(doc, doc_size);
    KelmMeshShellRecordVec recs;
    const int file_ok = kelm_mesh_xml_read(&recs, file.path());
    KELM_FUZZ_CHECK(file_ok == (ok ? 1 : 0));
    KELM_FUZZ_CHECK(recs.size() == caller.records.size());
    for (unsigned i = 0; i < recs.size(); ++i)
        KELM_FUZZ_CHECK(same_records(*recs[i], *caller.records[i]));
    // expat's own verdict on a document that is not well formed may depend on where
    // the chunks end ("junk after document element" in one cut, "not well-formed" in
    // another), so that line is compared only when the reader stopped the parse.
    const std::string aborted = KELMXML_ErrorString(XML_ERROR_ABORTED);
    if (!ok && !theirs.messages.empty() && !ours.messages.empty()) {
        const std::string& last = ours.messages.back();
        if (last.size() < aborted.size() ||
            last.compare(last.size() - aborted.size(), aborted.size(), aborted) != 0) {
            KELM_FUZZ_CHECK(theirs.messages.back().compare(0, 18, "Parse error: line ") == 0);
            theirs.messages.back() = last;
        }
    }
    if (theirs.messages != ours.messages) {
        for (const std::string& m : ours.messages) std::fprintf(stderr, "caller: %s\n", m.c_str());
        for (const std::string& m : theirs.messages)
            std::fprintf(stderr, "file:   %s\n", m.c_str());
        KELM_FUZZ_CHECK(theirs.messages == ours.messages);
    }
    return 0;
}

#include "kelmmath/meshio/xml_reader.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "kelmmath/core/constants.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/core/platform.h"
#include "core/internal_xmlparser.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/mesh/faceprops.h"
#include "mesh/internal_facetset.h"
#include "meshio/internal_numbers.h"
#include "meshio/internal_read_blocks.h"
#include "meshio/internal_shells.h"
#include "meshio/internal_xml_attributes.h"

// ---------------------------------------------------------------------------------
// Records.

KelmMeshShellRecord::KelmMeshShellRecord() = default;

KelmMeshShellRecord::KelmMeshShellRecord(const KelmMeshShellRecord& other)
    : KelmMeshFacetSet(other), id(other.id) {}

// A move copies: the facet set is copied and the id text shared, so the source keeps
// everything it holds.
KelmMeshShellRecord::KelmMeshShellRecord(KelmMeshShellRecord&& other)
    : KelmMeshFacetSet(static_cast<const KelmMeshFacetSet&>(other)), id(other.id) {}

KelmMeshShellRecord& KelmMeshShellRecord::operator=(const KelmMeshShellRecord& other) {
    if (this != &other) {
        kelm_mesh_copy(this, &other);
        id.copy(other.id);
    }
    return *this;
}

KelmMeshShellRecord& KelmMeshShellRecord::operator=(KelmMeshShellRecord&& other) {
    return *this = static_cast<const KelmMeshShellRecord&>(other);
}

KelmMeshShellRecord::~KelmMeshShellRecord() = default;

KelmMeshShellRecordVec::KelmMeshShellRecordVec() = default;

// A copy owns copies of the records; a null slot stays null. The copies are made
// before anything is given to this list, so a failure leaves no half-owned list.
KelmMeshShellRecordVec::KelmMeshShellRecordVec(const KelmMeshShellRecordVec& other) {
    *this = other;
}

KelmMeshShellRecordVec::KelmMeshShellRecordVec(KelmMeshShellRecordVec&& other) noexcept
    : records_(std::move(other.records_)) {}

KelmMeshShellRecordVec& KelmMeshShellRecordVec::operator=(const KelmMeshShellRecordVec& other) {
    if (this == &other) return *this;
    KelmMeshShellRecordVec copies;
    copies.records_.capacity(other.size());
    for (unsigned i = 0; i < other.size(); ++i) {
        const KelmMeshShellRecord* r = other.get(i);
        copies.records_.append(r != nullptr ? new KelmMeshShellRecord(*r) : nullptr);
    }
    *this = std::move(copies);
    return *this;
}

KelmMeshShellRecordVec& KelmMeshShellRecordVec::operator=(KelmMeshShellRecordVec&& other) noexcept {
    if (this != &other) {
        clear();
        records_ = std::move(other.records_);
    }
    return *this;
}

KelmMeshShellRecordVec::~KelmMeshShellRecordVec() {
    clear();
}

KelmMeshShellRecord* KelmMeshShellRecordVec::newRecord() {
    KelmMeshShellRecord* r = new (std::nothrow) KelmMeshShellRecord;
    records_.append(r);
    return r;
}

void KelmMeshShellRecordVec::clear() {
    for (unsigned i = 0; i < records_.size(); ++i) delete get(i);
    records_.capacity(0);
    records_.size(0);
}

// ---------------------------------------------------------------------------------
// The shell parse state and its hand-over.

namespace {

enum ShellPosition : unsigned {
    kBeforeRoot = 0,
    kInShell = 1,
    kInVerts = 2,
    kInV = 3,
    kInFacets = 4,
    kInF = 5,
    kInN = 6,
};

// One shell being read. While the shell is open it is the parser's user data, as a
// ParserGuest*, and keeps the user data it found (the caller's, or the state of a
// shell this one is read inside); KELMXML_ParserFree makes it leave.
struct ShellState final : kelm_internal::ParserGuest {
    explicit ShellState(XML_Parser p) : ParserGuest(p) {}
    void leave() override;

    unsigned state = kBeforeRoot;
    KelmMeshShellRecord* record = nullptr;
    KelmMeshFacet* facet = nullptr;  // of the open <f>
    unsigned normals_seen = 0;       // <n> elements met in the open <f>
    KelmMeshFace* face = nullptr;    // started by the open <facets>
    void (*done)(XML_Parser) = nullptr;
    void* saved_user_data = nullptr;
    long long file_size = -1;  // of the file the library itself reads; -1: unknown
};

ShellState* state_of(void* user_data) {
    return static_cast<ShellState*>(static_cast<kelm_internal::ParserGuest*>(user_data));
}

void XMLCALL shell_start(void* user_data, const XML_Char* name, const XML_Char** atts);
void XMLCALL shell_end(void* user_data, const XML_Char* name);

// Gives the parser back to the caller: the caller's user data, no element handlers
// of the reader. The state is freed; the caller's done is not called here.
void release(ShellState* s) {
    KELMXML_SetUserData(s->parser(), s->saved_user_data);
    KELMXML_SetElementHandler(s->parser(), nullptr, nullptr);
    delete s;
}

void ShellState::leave() { release(this); }

// Stops the parse after an error. The state is released at once: expat may still
// deliver the end of an empty element, which now finds no handler.
void stop(ShellState* s) {
    KELMXML_StopParser(s->parser(), 0);
    release(s);
}

void fail(ShellState* s, const char* format, const char* name) {
    kelm_ec()->error(format, name);
    stop(s);
}

// The shell is complete: the parser goes back to the caller, whose done re-installs
// its own handlers.
void finish(ShellState* s) {
    XML_Parser parser = s->parser();
    void (*done)(XML_Parser) = s->done;
    release(s);
    if (done != nullptr) done(parser);
}

ShellState* take_over(XML_Parser parser, KelmMeshShellRecord* rec, void (*done)(XML_Parser),
                      long long file_size) {
    rec->clear();
    ShellState* s = new ShellState(parser);
    s->record = rec;
    s->done = done;
    s->file_size = file_size;
    s->saved_user_data = KELMXML_GetUserData(parser);
    KELMXML_SetUserData(parser, static_cast<kelm_internal::ParserGuest*>(s));
    KELMXML_SetElementHandler(parser, shell_start, shell_end);
    KELMXML_SetCharacterDataHandler(parser, nullptr);
    KELMXML_SetProcessingInstructionHandler(parser, nullptr);
    KELMXML_SetCommentHandler(parser, nullptr);
    KELMXML_SetCdataSectionHandler(parser, nullptr, nullptr);
    return s;
}

// ---------------------------------------------------------------------------------
// Element contents.

const char* find_attribute(const XML_Char** atts, const char* wanted) {
    if (atts == nullptr) return nullptr;
    for (; atts[0] != nullptr; atts += 2) {
        if (std::strcmp(atts[0], wanted) == 0) return atts[1];
    }
    return nullptr;
}

bool is(const XML_Char* name, const char* wanted) {
    return std::strcmp(name, wanted) == 0;
}

// The next token of a number list as [*begin, *end), the way strtok(text, " \t\r\n")
// finds it; false when there is none. *p moves past the token.
bool next_token(const char** p, const char** begin, const char** end) {
    const char* q = *p;
    while (kelm_internal::is_list_separator(*q)) ++q;
    if (*q == '\0') return false;
    *begin = q;
    while (*q != '\0' && !kelm_internal::is_list_separator(*q)) ++q;
    *end = *p = q;
    return true;
}

// One unsigned integer token. The writer's tokens (up to nine digits, no sign) are
// read while the token is scanned; any other goes to scan_uint_token, which gives
// what sscanf's "%u" gives.
bool next_uint(const char** p, unsigned int* out, bool* missing) {
    const char* q = *p;
    while (kelm_internal::is_list_separator(*q)) ++q;
    unsigned int value = 0;
    const char* digits = q;
    while (*q >= '0' && *q <= '9' && q - digits < 9) value = value * 10 + unsigned(*q++ - '0');
    if (q != digits && (*q == '\0' || kelm_internal::is_list_separator(*q))) {
        *out = value;
        *p = q;
        return true;
    }
    const char* b;
    const char* e;
    if (!next_token(p, &b, &e)) {
        *missing = true;
        return false;
    }
    return kelm_internal::scan_uint_token(b, e, out);
}

// The first three tokens of text as unsigned integers, each stored in out as it is
// read: on an error the numbers read before it stay (a facet keeps them).
bool read_uint_list(const char* text, unsigned int* out) {
    const char* p = text != nullptr ? text : "";
    for (int i = 0; i < 3; ++i) {
        bool missing = false;
        if (next_uint(&p, &out[i], &missing)) continue;
        kelm_ec()->error(missing ? "parsing vector of int: Too few args" : "parsing vector of integer");
        return false;
    }
    return true;
}

// The first three tokens of text as reals. A token that starts like a decimal number
// (a digit or a point, after an optional minus) and that std::from_chars reads to its
// end is what the writer writes, and from_chars reads it as sscanf's "%lg" does
// (both round correctly); any other goes to scan_real_token. A number cannot run on
// past a separator, so reading it from its start up to the end of the text finds the
// same number as reading the token alone, and the token need not be delimited first.
bool read_real_list(const char* text, double* out) {
    const char* p = text != nullptr ? text : "";
    const char* const end = p + std::strlen(p);
    for (int i = 0; i < 3; ++i) {
        while (kelm_internal::is_list_separator(*p)) ++p;
        const char* digit = *p == '-' ? p + 1 : p;
        if ((*digit >= '0' && *digit <= '9') || *digit == '.') {
            double value;
            const std::from_chars_result r = std::from_chars(p, end, value);
            if (r.ec == std::errc() && (r.ptr == end || kelm_internal::is_list_separator(*r.ptr))) {
                out[i] = value;
                p = r.ptr;
                continue;
            }
        }
        const char* b;
        const char* e;
        if (!next_token(&p, &b, &e)) {
            kelm_ec()->error("parsing vector of real: Too few args");
            return false;
        }
        if (!kelm_internal::scan_real_token(b, e, &out[i])) {
            kelm_ec()->error("parsing vector of real");
            return false;
        }
    }
    return true;
}

// A color text that holds no hexadecimal number gives "no colour".
unsigned int read_color(const char* text) {
    unsigned int color = KELM_NO_COLOR;
    if (std::sscanf(text, "%x", &color) != 1) color = KELM_NO_COLOR;
    return color;
}

void start_face(ShellState* s, const XML_Char** atts) {
    KelmMeshFace* face = s->record->createFace();
    face->setFirstFacet(s->record->getFacetCount());
    s->face = face;
    if (const char* color = find_attribute(atts, "color")) {
        face->addProp(new KelmMeshFaceColor(read_color(color)));
    }
    KelmMeshFaceAtts* props = nullptr;
    for (const XML_Char** a = atts; a != nullptr && a[0] != nullptr; a += 2) {
        if (is(a[0], "color")) continue;
        if (props == nullptr) props = new KelmMeshFaceAtts;
        // The writer's encoded form of an attribute XML cannot hold as it is; a value
        // that does not decode is kept as it stands.
        std::string name, value;
        if (kelm_internal::has_encoded_attribute_prefix(a[0]) &&
            kelm_internal::decode_attribute(a[1], &name, &value)) {
            props->getAttributes().append(
                new KelmMeshShellFaceAttribute(name.c_str(), value.c_str()));
            continue;
        }
        props->getAttributes().append(new KelmMeshShellFaceAttribute(a[0], a[1]));
    }
    if (props != nullptr) face->addProp(props);
}

// False when the vertex list does not read (the parse is then stopped).
bool start_vertex(ShellState* s, const XML_Char** atts) {
    double p[3];
    if (!read_real_list(find_attribute(atts, "p"), p)) return false;
    s->record->createVertex(p);
    return true;
}

// Before the first facet of a shell read from a file of known size, room is made for
// as many facets as a closed triangle mesh of the vertices read has (2 per vertex), but
// no more than the rest of the file can hold (a facet takes at least 14 bytes,
// <f v="0 0 0"/>). A large set is then built in one block, on large pages where the
// system gives them, instead of growing step by step through page faults and copies.
// The room is only a hint: when it cannot be had, the facets grow as they come.
void make_room_for_facets(ShellState* s) {
    constexpr long long kShortestFacet = 14;
    constexpr long long kWorthReserving = 1 << 16;
    constexpr long long kLargestRoom = 1u << 30;
    const long long at = XML_GetCurrentByteIndex(s->parser());
    if (s->file_size < 0 || at < 0 || at > s->file_size) return;
    const long long room =
        std::min({2 * static_cast<long long>(s->record->getVertexCount()),
                  (s->file_size - at) / kShortestFacet, kLargestRoom});
    if (room < kWorthReserving) return;
    try {
        kelm_internal::FacetSetAccess::reserve(*s->record, 0, 0, static_cast<unsigned>(room));
    } catch (const std::bad_alloc&) {
    }
}

bool start_facet(ShellState* s, const XML_Char** atts) {
    if (s->record->getFacetCount() == 0) make_room_for_facets(s);
    s->facet = s->record->createFacet(nullptr);
    s->normals_seen = 0;
    return read_uint_list(find_attribute(atts, "v"), s->facet->vertex);
}

// The k-th <n> of an <f> goes to corner k, each with a normal of its own.
bool start_corner_normal(ShellState* s, const XML_Char** atts) {
    const unsigned int k = s->normals_seen++;
    if (k >= 3) {
        kelm_ec()->error("too many <n> elements in <f>\n");
        return false;
    }
    const char* d = find_attribute(atts, "d");
    if (d == nullptr) return true;
    double n[3];
    if (!read_real_list(d, n)) return false;
    s->facet->normal[k] = s->record->createNormal(n);
    return true;
}

void XMLCALL shell_start(void* user_data, const XML_Char* name, const XML_Char** atts) {
    ShellState* s = state_of(user_data);
    switch (s->state) {
        case kBeforeRoot:
            s->record->id.copy(find_attribute(atts, "id"));
            s->state = kInShell;
            return;
        case kInShell:
            if (is(name, "verts")) {
                s->state = kInVerts;
            } else if (is(name, "facets")) {
                s->state = kInFacets;
                start_face(s, atts);
            } else {
                fail(s, "Syntax error in shell root: unexpected element: %s\n", name);
            }
            return;
        case kInVerts:
            if (!is(name, "v")) {
                fail(s, "Syntax error in shell: <verts>: unexpected child: %s\n", name);
                return;
            }
            s->state = kInV;
            if (!start_vertex(s, atts)) stop(s);
            return;
        case kInV:
            fail(s, "Syntax error in shell: <v>: unexpected child: %s\n", name);
            return;
        case kInFacets:
            if (!is(name, "f")) {
                fail(s, "Syntax error in shell: <facets>: unexpected child: %s\n", name);
                return;
            }
            s->state = kInF;
            if (!start_facet(s, atts)) stop(s);
            return;
        case kInF:
            if (!is(name, "n")) {
                fail(s, "Syntax error in shell: <f>: unexpected child: %s\n", name);
                return;
            }
            s->state = kInN;
            if (!start_corner_normal(s, atts)) stop(s);
            return;
        default:
            fail(s, "Syntax error in shell: <n>: unexpected child: %s\n", name);
            return;
    }
}

// The element name is not compared: expat has already matched it with its start.
void XMLCALL shell_end(void* user_data, const XML_Char* name) {
    ShellState* s = state_of(user_data);
    switch (s->state) {
        case kBeforeRoot:
            fail(s, "Syntax error in shell: root never opened /%s\n", name);
            return;
        case kInShell:
            finish(s);
            return;
        case kInFacets:
            s->face->setFacetCount(s->record->getFacetCount() - s->face->getFirstFacet());
            s->face = nullptr;
            s->state = kInShell;
            return;
        case kInVerts:
            s->state = kInShell;
            return;
        case kInF:
            s->facet = nullptr;
            s->state = kInFacets;
            return;
        default:  // <v> and <n>
            --s->state;
            return;
    }
}

// ---------------------------------------------------------------------------------
// Reading files.

// Feeds the file to the parser block by block; false (after reporting) on an error.
bool parse_file(XML_Parser parser, FILE* fp) {
    std::size_t read_so_far = 0;
    for (;;) {
        const std::size_t block = kelm_internal::next_read_block(read_so_far);
        void* buffer = KELMXML_GetBuffer(parser, static_cast<int>(block));
        const std::size_t n = buffer != nullptr ? std::fread(buffer, 1, block, fp) : 0;
        read_so_far += n;
        if (buffer == nullptr ||
            KELMXML_ParseBuffer(parser, static_cast<int>(n), n == 0) != KELMXML_STATUS_OK) {
            const char* what = KELMXML_ErrorString(KELMXML_GetErrorCode(parser));
            kelm_ec()->error("Parse error: line %d: %s",
                             static_cast<int>(KELMXML_GetCurrentLineNumber(parser)),
                             what != nullptr ? what : "");
            return false;
        }
        if (n == 0) return true;
    }
}

// The size of an open file in bytes, the position left at the start; -1 when unknown.
long long size_of(FILE* fp) {
    if (std::fseek(fp, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(fp);
    if (std::fseek(fp, 0, SEEK_SET) != 0) return -1;
    return size;
}

// Opens the file, lets install set up a new parser (given the file's size), parses;
// 1 on success.
template <class Install>
int read_file(const char* file, Install install) {
    FILE* fp = kelm_fopen(file, "r");
    if (fp == nullptr) return 0;
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    if (parser == nullptr) {
        std::fclose(fp);
        return 0;
    }
    install(parser, size_of(fp));
    const bool ok = parse_file(parser, fp);
    // A document cut short inside a shell leaves the shell's state on the parser;
    // freeing the parser frees it.
    KELMXML_ParserFree(parser);
    std::fclose(fp);
    return ok ? 1 : 0;
}

// kelm_mesh_xml_read: the document's own handlers between shells.
struct DocumentContext {
    XML_Parser parser;
    KelmMeshShellRecordVec* recs;
    long long file_size;
};

void XMLCALL document_start(void* user_data, const XML_Char* name, const XML_Char** atts);
void XMLCALL document_end(void*, const XML_Char*) {}

void document_resume(XML_Parser parser) {
    KELMXML_SetElementHandler(parser, document_start, document_end);
}

void XMLCALL document_start(void* user_data, const XML_Char* name, const XML_Char** atts) {
    if (std::strcmp(name, "shell") != 0) return;
    DocumentContext* doc = static_cast<DocumentContext*>(user_data);
    KelmMeshShellRecord* rec = doc->recs->newRecord();
    if (rec == nullptr) {
        KELMXML_StopParser(doc->parser, 0);
        return;
    }
    rec->id.copy(find_attribute(atts, "id"));
    ShellState* s = take_over(doc->parser, rec, document_resume, doc->file_size);
    shell_start(s, name, atts);
}

}  // namespace

void kelm_mesh_xml_read_shell_element(XML_ParserStruct* parser, KelmMeshShellRecord* rec,
                                      void (*done)(XML_ParserStruct*)) {
    if (parser == nullptr || rec == nullptr) return;
    take_over(parser, rec, done, -1);
}

void kelm_mesh_xml_start_shell_element(XML_ParserStruct* parser, KelmMeshShellRecord* rec,
                                       void (*done)(XML_ParserStruct*), const char* name,
                                       const char** atts) {
    if (parser == nullptr || rec == nullptr) return;
    ShellState* s = take_over(parser, rec, done, -1);
    shell_start(s, name != nullptr ? name : "", atts);
}

unsigned kelm_internal::open_shell_count() {
    return kelm_internal::parser_guest_count();
}

int kelm_mesh_xml_abandon_shell(XML_ParserStruct* parser) {
    if (parser == nullptr) return 0;
    kelm_internal::ParserGuest* g = kelm_internal::parser_guest(parser);
    if (g == nullptr) return 0;
    g->leave();
    return 1;
}

int kelm_mesh_xml_read(KelmMeshShellRecordVec* recs, const char* file) {
    if (recs == nullptr) return 0;
    DocumentContext doc{nullptr, recs, -1};
    return read_file(file, [&doc](XML_Parser parser, long long file_size) {
        doc.parser = parser;
        doc.file_size = file_size;
        KELMXML_SetUserData(parser, &doc);
        document_resume(parser);
    });
}

int kelm_mesh_xml_read_shell(KelmMeshShellRecord* rec, const char* file) {
    if (rec == nullptr) return 0;
    return read_file(file, [rec](XML_Parser parser, long long file_size) {
        KELMXML_SetUserData(parser, nullptr);
        take_over(parser, rec, nullptr, file_size);
    });
}

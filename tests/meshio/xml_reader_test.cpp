#include "kelmmath/meshio/xml_reader.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kelmmath/core/xmlparser.h"
#include "kelmmath/meshio/xml_writer.h"
#include "meshio/internal_shells.h"
#include "support/meshio.h"
#include "support/xml_round_trip.h"

namespace {

using kelm_test::ErrorRecorder;
using kelm_test::ScratchFile;
using Strings = std::vector<std::string>;
using Indices = std::vector<unsigned>;
using Pairs = kelm_test::AttributePairs;
using kelm_test::corners;
using kelm_test::triple;
constexpr unsigned N = KELM_NONE;

int read_text(const std::string& text, KelmMeshShellRecordVec* recs) {
    ScratchFile file("read.xml");
    file.write(text);
    return kelm_mesh_xml_read(recs, file.path());
}

int read_shell_text(const std::string& text, KelmMeshShellRecord* rec) {
    ScratchFile file("read_shell.xml");
    file.write(text);
    return kelm_mesh_xml_read_shell(rec, file.path());
}

TEST(KelmMeshXmlRead, HandMadeDocuments) {
    // (What a written set reads back as: the round trip below.) The root reader
    // replaces a record's contents and id, and takes the root whatever its name.
    ErrorRecorder errors;
    KelmMeshShellRecord rec;
    kelm_test::make_cube(rec);
    rec.id.copy("old");
    ASSERT_EQ(read_shell_text("<mesh id=\"m\"><verts><v p=\"0 0 1\"/></verts></mesh>", &rec), 1);
    EXPECT_STREQ(rec.id.str(), "m");
    EXPECT_EQ(rec.getVertexCount() + rec.getFacetCount() + rec.getNormalCount(), 1u);

    // Shells at any depth append in document order to what the list held; names compare
    // exactly; comments, processing instructions, text and CDATA are ignored; a fourth
    // number is too.
    KelmMeshShellRecordVec recs;
    recs.newRecord();
    ASSERT_EQ(read_text("<?xml version=\"1.0\"?><!-- c --><root><g><shell id=\"a\"><verts>"
                        "<v p=\"1 2 3\"/></verts></shell></g><Shell><verts/></Shell>"
                        "<shell><!-- c --><?pi x?><verts>text<v p=\" 4\t5\n6 7 \"/><![CDATA[z]]>"
                        "</verts></shell></root>",
                        &recs),
              1);
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_STREQ(recs[1]->id.str(), "a");
    EXPECT_EQ(triple(recs[1]->rawverts().get(0)), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(recs[2]->id.str(), nullptr);
    EXPECT_EQ(triple(recs[2]->rawverts().get(0)), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(errors.count(), 0u);
}

TEST(KelmMeshXmlRead, FacesCornerNormalsAndNumberTexts) {
    KelmMeshShellRecord rec;
    ErrorRecorder errors;
    ASSERT_EQ(
        read_shell_text("<shell><verts><v p=\"inf -nan 1e400\"/><v p=\"+1 0x10 .5\"/></verts>"
                        "<facets><f v=\"0 1 1\"/></facets>"
                        "<facets color=\"ff0000\" name=\"wheel\" name2=\"a&amp;b\">"
                        "<f v=\"1 0 0\" fn=\"9 9 9\"><n d=\"1 0 0\"/><n d=\"0 0 1\"/></f>"
                        "<f v=\"-1 4294967296 +7\"><n/><n d=\"0.1 0.2 0.3\"/><n d=\"1 1 1\"/></f>"
                        "</facets><facets color=\"zz\"/><facets color=\" 0x1F\"/></shell>",
                        &rec),
        1);
    EXPECT_EQ(errors.count(), 0u);
    const double* v = rec.rawverts().get(0);
    EXPECT_TRUE(std::isinf(v[0]) && std::isnan(v[1]) && std::isinf(v[2]));
    EXPECT_EQ(triple(rec.rawverts().get(1)), (std::vector<double>{1.0, 16.0, 0.5}));
    // The k-th <n> goes to corner k with a normal of its own; one without d takes its
    // turn. Unsigned texts read as "%u": -1 is NONE, 2^32 wraps to 0.
    ASSERT_EQ(rec.getFacetCount(), 3u);
    EXPECT_EQ(corners(rec.getFacet(1)), (Indices{1, 0, 0, 0, 1, N}));
    EXPECT_EQ(corners(rec.getFacet(2)), (Indices{N, 0, 7, N, 2, 3}));
    EXPECT_EQ(triple(rec.getNormal(2)), (std::vector<double>{0.1, 0.2, 0.3}));

    // Faces in order with their properties: the attribute set is added after the colour,
    // so it is in front; a colour text without a hexadecimal number gives no colour.
    const std::string all = kelm_test::fingerprint(rec);
    EXPECT_EQ(all.substr(all.find("\nface ")),
              "\nface 0+1\nface 1+2 name=wheel name2=a&b colour 16711680\nface 3+0 colour " +
                  std::to_string(KELM_NO_COLOR) + "\nface 3+0 colour 31");
}

struct BadDocument {
    std::string text;
    std::string message;           // the reader's own, followed by expat's stop; or expat's alone
    std::string kept = "0 0 0 0";  // vertices, facets, normals, faces read before the error
    int line = 1;                  // of the stop
};

std::string counts(const KelmMeshShellRecord& r) {
    return std::to_string(r.getVertexCount()) + " " + std::to_string(r.getFacetCount()) + " " +
           std::to_string(r.getNormalCount()) + " " + std::to_string(r.getFaceCount());
}

std::string child(const char* parent, const char* name) {
    return std::string("Syntax error in shell: <") + parent + ">: unexpected child: " + name + "\n";
}

TEST(KelmMeshXmlRead, BadInputReportsStopsAndKeepsWhatWasRead) {
    const std::string head = "<shell><verts><v p=\"1 2 3\"/></verts><facets>";
    const std::string f = "<f v=\"0 0 0\">", tail = "</facets></shell>";
    const std::string real = "parsing vector of real", few = ": Too few args";
    const std::string ints = "parsing vector of int: Too few args";
    const std::string root = "Syntax error in shell root: unexpected element: ";
    const BadDocument cases[] = {
        {head + f + "<n d=\"1 0 0\"/><n/><n/><n/></f>" + tail, "too many <n> elements in <f>\n",
         "1 1 1 1"},
        {head + f + "<n d=\"1 2\"/></f>" + tail, real + few, "1 1 0 1"},
        {head + f + "<n d=\"\"/></f>" + tail, real + few, "1 1 0 1"},
        {head + f + "<n d=\"0 0 z\"/></f>" + tail, real, "1 1 0 1"},
        {"<shell><verts><v p=\"1 2 3\"/><v q=\"1 2 3\"/></verts></shell>", real + few, "1 0 0 0"},
        {"<shell><verts><v p=\"\"/></verts></shell>", real + few},
        {"<shell><verts><v p=\" \t\r\n \"/></verts></shell>", real + few, "0 0 0 0", 2},
        {"<shell><verts><v p=\"1,2,3\"/></verts></shell>", real + few},
        {"<shell><verts><v p=\"x\"/></verts></shell>", real},
        {"<shell><verts><v p=\"1 2 -\"/></verts></shell>", real},
        {head + "<f v=\"5 6\"/>" + tail, ints, "1 1 0 1"},
        {head + "<f v=\"\"/>" + tail, ints, "1 1 0 1"},
        {head + "<f v=\"1 a 2\"/>" + tail, "parsing vector of integer", "1 1 0 1"},
        {"<shell><verts/><faces/></shell>", root + "faces\n"},
        {"<shell><shell/></shell>", root + "shell\n"},
        {"<shell><Verts/></shell>", root + "Verts\n"},
        {"<shell><v p=\"0 0 0\"/></shell>", root + "v\n"},
        {"<shell><verts><w/></verts></shell>", child("verts", "w")},
        {"<shell><verts><f v=\"0 1 2\"/></verts></shell>", child("verts", "f")},
        {"<shell><verts><facets/></verts></shell>", child("verts", "facets")},
        {"<shell><verts><v p=\"1 2 3\"><x/></v></verts></shell>", child("v", "x"), "1 0 0 0"},
        {head + "<v p=\"1 2 3\"/>" + tail, child("facets", "v"), "1 0 0 1"},
        {head + "<verts/>" + tail, child("facets", "verts"), "1 0 0 1"},
        {head + f + "<m/></f>" + tail, child("f", "m"), "1 1 0 1"},
        {head + f + "<f v=\"0 1 2\"/></f>" + tail, child("f", "f"), "1 1 0 1"},
        {head + f + "<n d=\"0 0 1\"><q/></n></f>" + tail, child("n", "q"), "1 1 1 1"},
        {head + f + "<n d=\"0 0 1\"><n/></n></f>" + tail, child("n", "n"), "1 1 1 1"},
        {"<shell><verts>\n<v p=\"1 2 3\"/>\n</shell>", "Parse error: line 3: mismatched tag",
         "1 0 0 0"},
        {head + f + "<n d=\"1 0", "Parse error: line 1: unclosed token", "1 1 0 1"},
        {head + f, "Parse error: line 1: no element found", "1 1 0 1"},
        {"", "Parse error: line 1: no element found"},
        {"\n\n", "Parse error: line 3: no element found"},
        {"<shell id=\"1\"/><shell/>", "Parse error: line 1: junk after document element"},
        {"\x01 binary", "Parse error: line 1: not well-formed (invalid token)"},
    };
    for (const BadDocument& c : cases) {
        SCOPED_TRACE(c.text);
        Strings once = {c.message};
        if (c.message.rfind("Parse error", 0) != 0)
            once.push_back("Parse error: line " + std::to_string(c.line) + ": parsing aborted");
        ErrorRecorder errors;
        KelmMeshShellRecordVec recs;
        KelmMeshShellRecord rec;
        EXPECT_EQ(read_text(c.text, &recs), 0);
        EXPECT_EQ(errors.take(), once);
        EXPECT_EQ(read_shell_text(c.text, &rec), 0);
        EXPECT_EQ(errors.take(), once);
        EXPECT_EQ(counts(rec), c.kept);
        EXPECT_EQ(recs.size() == 1 ? counts(*recs[0]) : c.kept, c.kept);  // a list keeps it too
        EXPECT_EQ(kelm_internal::open_shell_count(), 0u);  // the stopped state is freed
    }
    // A facet whose list fails stays in the set with the indices read before the error.
    KelmMeshShellRecord rec;
    ErrorRecorder errors;
    EXPECT_EQ(read_shell_text(head + "<f v=\"1 b 3\"/>" + tail, &rec), 0);
    EXPECT_EQ(corners(rec.getFacet(0)), (Indices{1, N, N, N, N, N}));
    EXPECT_EQ(read_shell_text(head + "<f v=\" 5\t6 \"/>" + tail, &rec), 0);
    EXPECT_EQ(corners(rec.getFacet(0)), (Indices{5, 6, N, N, N, N}));
    EXPECT_EQ(read_shell_text(head + "<f v=\"x\"/>" + tail, &rec), 0);
    EXPECT_EQ(corners(rec.getFacet(0)), Indices(6, N));

    // Files that do not open: 0 and no message. A folder opens but does not read.
    errors.clear();
    KelmMeshShellRecordVec recs;
    const std::string missing = std::string(KELMMATH_BINARY_DIR) + "/no_such_file.xml";
    EXPECT_EQ(kelm_mesh_xml_read(&recs, missing.c_str()) + kelm_mesh_xml_read(&recs, nullptr) +
                  kelm_mesh_xml_read_shell(&rec, missing.c_str()) +
                  kelm_mesh_xml_read(nullptr, missing.c_str()),
              0);
    EXPECT_EQ(errors.count(), 0u);
    EXPECT_EQ(kelm_mesh_xml_read(&recs, KELMMATH_BINARY_DIR), 0);
}

TEST(KelmMeshXmlRead, SixteenMegabyteValuesReadWhole) {
    // A value far longer than any block the file is read in: fed in small blocks of
    // fixed size, an expat that re-scans an unfinished token would take hours here.
    const std::size_t n = 16u << 20;
    const std::string blanks(n, ' '), letters(n, 'q');
    const std::string text = "<shell id=\"big\"><verts><v p=\"" + blanks + "1 2 3\"/></verts>\n" +
                             "<facets name=\"" + letters +
                             "&amp;\"><f v=\"0 0 0\"/></facets></shell>";
    ErrorRecorder errors;
    KelmMeshShellRecordVec recs;
    ASSERT_EQ(read_text(text, &recs), 1);
    ASSERT_EQ(recs.size(), 1u);
    KelmMeshShellRecord rec;
    ASSERT_EQ(read_shell_text(text, &rec), 1);
    for (KelmMeshShellRecord* r : {recs[0], &rec}) {
        EXPECT_STREQ(r->id.str(), "big");
        ASSERT_EQ(counts(*r), "1 1 0 1");
        EXPECT_EQ(triple(r->rawverts().get(0)), (std::vector<double>{1, 2, 3}));
        EXPECT_TRUE(kelm_test::face_attributes(r->getFace(0)) == (Pairs{{"name", letters + "&"}}));
    }
    EXPECT_EQ(errors.count(), 0u);

    // Errors far into the file keep their messages and line numbers.
    KelmMeshShellRecordVec bad;
    EXPECT_EQ(read_text("<shell><verts><v p=\"" + blanks + "1 2\"/></verts></shell>", &bad), 0);
    EXPECT_EQ(read_text("<shell>\n<verts><v p=\"1 2 3\" q=\"" + letters + "\"/>\n<w/>", &bad), 0);
    EXPECT_EQ(read_text("<shell>\n<verts q=\"" + letters + "\">\n</shell>", &bad), 0);
    EXPECT_EQ(
        errors.errors(),
        (Strings{"parsing vector of real: Too few args", "Parse error: line 1: parsing aborted",
                 "Syntax error in shell: <verts>: unexpected child: w\n",
                 "Parse error: line 3: parsing aborted", "Parse error: line 3: mismatched tag"}));
    ASSERT_EQ(bad.size(), 3u);
    EXPECT_EQ(bad[1]->getVertexCount(), 1u);
}

// A caller's own parse that hands <shell> elements, and the first child of <next>,
// to the reader, and logs the events its own handlers see (text joined).
struct Caller {
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    std::string events;  // separated by blanks
    bool in_text = false;
    KelmMeshShellRecord records[2];
    int shells = 0;
    ~Caller() { KELMXML_ParserFree(parser); }
    void log(const std::string& event) {
        events += (events.empty() ? "" : " ") + event;
        in_text = false;
    }
};

void XMLCALL caller_end(void* user, const XML_Char* name) {
    static_cast<Caller*>(user)->log(std::string("/") + name);
}

void XMLCALL caller_text(void* user, const XML_Char* s, int len) {
    Caller* c = static_cast<Caller*>(user);
    if (!c->in_text) c->log("text:");
    c->events.append(s, static_cast<std::size_t>(len));
    c->in_text = true;
}

void XMLCALL caller_start(void* user, const XML_Char* name, const XML_Char** atts);

void install(XML_Parser parser) {
    KELMXML_SetElementHandler(parser, caller_start, caller_end);
    KELMXML_SetCharacterDataHandler(parser, caller_text);
}

void caller_done(XML_Parser parser) {
    Caller* c = static_cast<Caller*>(KELMXML_GetUserData(parser));
    c->log(c->parser == parser ? "done" : "done with foreign user data");
    install(parser);
}

void XMLCALL caller_start(void* user, const XML_Char* name, const XML_Char** atts) {
    Caller* c = static_cast<Caller*>(user);
    c->log(name);
    if (c->shells == 2) return;
    if (std::strcmp(name, "shell") == 0) {
        kelm_mesh_xml_start_shell_element(c->parser, &c->records[c->shells++], caller_done, name,
                                          atts);
    } else if (std::strcmp(name, "next") == 0) {
        kelm_mesh_xml_read_shell_element(c->parser, &c->records[c->shells++], caller_done);
    }
}

// Feeds text in pieces of the given size; stops at the first error.
KelmXML_Status parse(Caller* c, const std::string& text, std::size_t piece = 1u << 30) {
    KELMXML_SetUserData(c->parser, c);
    install(c->parser);
    KelmXML_Status status = KELMXML_STATUS_OK;
    for (std::size_t at = 0; status == KELMXML_STATUS_OK && at <= text.size(); at += piece) {
        const std::size_t n = std::min(piece, text.size() - at);
        status =
            KELMXML_Parse(c->parser, text.data() + at, static_cast<int>(n), at + n == text.size());
        if (at + n == text.size()) break;
    }
    return status;
}

std::string record_text(const KelmMeshShellRecord& r) {
    return (r.id.str() ? r.id.str() : "-") + std::string(" ") + counts(r);
}

struct Embedded {
    std::string doc;
    XML_Error code;       // after the parse (none: the parse succeeds)
    std::string events;   // what the caller's handlers saw
    std::string error;    // the one report, if any
    unsigned open;        // shells left open, for the caller to abandon
    std::string records;  // what the two records hold
};

TEST(KelmMeshXmlEmbedded, CallerGetsTheParserBackAfterEachShellOrFailureInEveryPieceSize) {
    const std::string none = "- 0 0 0 0; - 0 0 0 0", cut = "doc shell";
    const Embedded cases[] = {
        // The caller sees neither the shells' children, text nor ends; done puts its
        // handlers back.
        {"<doc>x<shell id=\"one\">skipped<verts><v p=\"1 2 3\"/></verts><facets>"
         "<f v=\"0 0 0\"/></facets></shell>y<mid/><next><part id=\"two\"><verts/>"
         "</part></next>z<end/></doc>",
         XML_ERROR_NONE,
         "doc text:x shell done text:y mid /mid next done /next text:z end /end /doc", "", 0,
         "one 1 1 0 1; two 0 0 0 0"},
        // A syntax error stops the parse: no done, the caller's user data back.
        {"<doc><shell><verts><bad/></verts></shell><x/></doc>", XML_ERROR_ABORTED, cut,
         "Syntax error in shell: <verts>: unexpected child: bad\n", 0, none},
        // Handed over, but the enclosing element ends first.
        {"<doc><next></next><after/></doc>", XML_ERROR_ABORTED, "doc next",
         "Syntax error in shell: root never opened /next\n", 0, none},
        // The caller's document ends inside the shell, or before the handed-over element
        // starts: the caller abandons the shell, once.
        {"<doc><shell><verts><v p=\"1 2 3\"/>", XML_ERROR_NO_ELEMENTS, cut, "", 1,
         "- 1 0 0 0; - 0 0 0 0"},
        {"<doc><shell><facets><f v=\"0 1 2\"><n d=\"0 0 1\"/>", XML_ERROR_NO_ELEMENTS, cut, "", 1,
         "- 0 1 1 1; - 0 0 0 0"},
        {"<doc><next>", XML_ERROR_NO_ELEMENTS, "doc next", "", 1, none},
        {"<doc><next><x>", XML_ERROR_NO_ELEMENTS, "doc next", "", 1, none},
    };
    for (const Embedded& e : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{4}, std::size_t{64}, e.doc.size()}) {
            SCOPED_TRACE(e.doc + " in pieces of " + std::to_string(piece));
            Caller c;
            ErrorRecorder errors;
            EXPECT_EQ(parse(&c, e.doc, piece) == KELMXML_STATUS_OK, e.code == XML_ERROR_NONE);
            EXPECT_EQ(KELMXML_GetErrorCode(c.parser), e.code);
            EXPECT_EQ(c.events, e.events);
            EXPECT_EQ(errors.errors(), e.error.empty() ? Strings{} : Strings{e.error});
            EXPECT_EQ(record_text(c.records[0]) + "; " + record_text(c.records[1]), e.records);
            EXPECT_EQ(kelm_internal::open_shell_count(), e.open);
            EXPECT_EQ(KELMXML_GetUserData(c.parser) == &c, e.open == 0);
            EXPECT_EQ(kelm_mesh_xml_abandon_shell(c.parser), static_cast<int>(e.open));
            EXPECT_EQ(kelm_internal::open_shell_count(), 0u);
            EXPECT_EQ(KELMXML_GetUserData(c.parser), &c);
            EXPECT_EQ(kelm_mesh_xml_abandon_shell(c.parser), 0);
        }
    }

    // Null arguments change nothing.
    Caller early;
    KELMXML_SetUserData(early.parser, &early);
    kelm_mesh_xml_read_shell_element(early.parser, nullptr, caller_done);
    kelm_mesh_xml_start_shell_element(early.parser, nullptr, caller_done, "shell", nullptr);
    kelm_mesh_xml_read_shell_element(nullptr, &early.records[0], caller_done);
    EXPECT_EQ(KELMXML_GetUserData(early.parser), &early);
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(early.parser), 0);
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(nullptr), 0);
}

TEST(KelmMeshXmlEmbedded, AShellsStateDiesWithItsParserAndNoOtherParserFindsIt) {
    const unsigned before = kelm_internal::open_shell_count();
    void* freed_at = nullptr;
    {
        Caller nested;  // two shells open, one inside the other, when the parser is freed
        KELMXML_SetUserData(nested.parser, &nested);
        KelmMeshShellRecord outer, inner;
        kelm_mesh_xml_read_shell_element(nested.parser, &outer, nullptr);
        const std::string head = "<doc><verts><v p=\"1 2 3\"/></verts>";
        ASSERT_EQ(KELMXML_Parse(nested.parser, head.data(), static_cast<int>(head.size()), 0),
                  KELMXML_STATUS_OK);
        kelm_mesh_xml_read_shell_element(nested.parser, &inner, nullptr);
        EXPECT_EQ(kelm_internal::open_shell_count(), before + 2);
        freed_at = nested.parser;
    }  // KELMXML_ParserFree without kelm_mesh_xml_abandon_shell
    EXPECT_EQ(kelm_internal::open_shell_count(), before);

    // A parser made right after (often at the freed address) starts clean and works.
    Caller next;
    SCOPED_TRACE(next.parser == freed_at ? "same address" : "new address");
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(next.parser), 0);
    ErrorRecorder errors;
    ASSERT_EQ(parse(&next, "<doc><shell id=\"n\"><verts/></shell></doc>"), KELMXML_STATUS_OK);
    EXPECT_EQ(next.events, "doc shell done /doc");
    EXPECT_EQ(errors.count(), 0u);

    // A user data pointer copied from a parser inside a shell is not that shell's.
    Caller inside, other;
    kelm_mesh_xml_read_shell_element(inside.parser, &inside.records[0], nullptr);
    KELMXML_SetUserData(other.parser, KELMXML_GetUserData(inside.parser));
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(other.parser), 0);
    KELMXML_SetUserData(other.parser, nullptr);
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(inside.parser), 1);
    EXPECT_EQ(KELMXML_GetUserData(inside.parser), nullptr);
}

TEST(KelmMeshShellRecord, CopiesAndListsKeepOneOwnerPerRecord) {
    KelmMeshShellRecordVec list;
    KelmMeshShellRecord* a = list.newRecord();
    kelm_test::make_cube(*a);
    kelm_mesh_set_color(a->createFace(0, 12), 0x123456);
    a->id.copy("cube");
    list.newRecord();

    KelmMeshShellRecord b(*a);  // the id text is shared, the mesh copied
    EXPECT_EQ(b.id.str(), a->id.str());
    EXPECT_NE(b.getFacet(0), a->getFacet(0));
    EXPECT_EQ(kelm_mesh_get_color(b.getFace(0)), 0x123456u);
    KelmMeshShellRecord c;
    kelm_test::make_tetrahedron(c);
    c = b;
    const KelmMeshShellRecord& same = c;
    c = same;
    KelmMeshShellRecord d(std::move(c));  // moves copy: the source keeps its mesh
    EXPECT_EQ(c.getVertexCount() + d.getVertexCount(), 16u);
    c = std::move(d);
    EXPECT_EQ(c.getVertexCount() + d.getVertexCount(), 16u);
    EXPECT_STREQ(c.id.str(), "cube");

    // Copied lists own copies of the records; moved lists hand them over.
    KelmMeshShellRecordVec copy(list), assigned;
    assigned.newRecord();
    assigned = list;
    const KelmMeshShellRecordVec& alias = assigned;
    assigned = alias;
    for (const KelmMeshShellRecordVec* l : {&copy, &assigned}) {
        ASSERT_EQ(l->size(), 2u);
        EXPECT_NE(l->get(0), a);
        EXPECT_STREQ((*l)[0]->id.str(), "cube");
        EXPECT_EQ((*l)[0]->getFacetCount(), 12u);
    }
    KelmMeshShellRecordVec moved(std::move(list));
    EXPECT_EQ(list.size(), 0u);
    assigned = std::move(moved);
    EXPECT_EQ(assigned[0], a);
    EXPECT_EQ(moved.size(), 0u);
    assigned.clear();
    EXPECT_EQ(assigned.size(), 0u);
}

TEST(KelmMeshXmlRoundTrip, RandomMeshesReadBackAsWritten) {
    // Meshes from fixed seeds, read back alternately by the document reader and the
    // root reader, with and without facet normals: all as written (null facets left
    // out), with no report.
    ScratchFile file("round.xml");
    unsigned failures = 0;
    for (unsigned seed = 0; seed < 10000 && failures < 5; ++seed) {
        KelmMeshFacetSet fs, want;
        std::string id;
        unsigned color = 0;
        kelm_test::random_xml_mesh(seed, fs, id, color);
        kelm_test::xml_read_of(fs, want);
        KelmMeshXMLOpts opts;
        opts.facet_normals = seed / 2 % 2;
        std::remove(file.path());  // a new file each time: no flush for a truncated one
        kelm_mesh_xml_save(file.path(), &opts, &fs, id.c_str(), color);
        ErrorRecorder errors;
        KelmMeshShellRecordVec recs;
        KelmMeshShellRecord one;
        const bool ok = seed % 2 ? kelm_mesh_xml_read(&recs, file.path()) == 1 && recs.size() == 1
                                 : kelm_mesh_xml_read_shell(&one, file.path()) == 1;
        const KelmMeshShellRecord& back = seed % 2 && ok ? *recs[0] : one;
        const std::string got = kelm_test::fingerprint(back),
                          expected = kelm_test::fingerprint(want);
        std::string problem = !ok ? "read failed"
                              : std::string(back.id.str() ? back.id.str() : "") != id ? "id differs"
                              : got != expected ? "read\n" + got + "\nnot\n" + expected
                                                : "";
        if (problem.empty() && errors.count() != 0) problem = errors.entries()[0].text;
        if (!problem.empty() && ++failures) ADD_FAILURE() << "seed " << seed << ": " << problem;
    }
}

TEST(KelmMeshXmlRoundTrip, LargeSetsReadBackAsWritten) {
    // Sets large enough that the file readers make room for all facets at once: a grid
    // (about two facets a vertex, corner normals on some) and a soup of the same facets
    // (three vertices a facet, where the room is bounded by the file's size instead).
    ScratchFile file("large.xml");
    constexpr unsigned kSide = 200;
    for (const bool soup : {false, true}) {
        KelmMeshFacetSet fs, want;
        const double up[3] = {0.0, 0.0, 1.0};
        fs.createNormal(up);
        auto corner = [&fs](unsigned c, unsigned r) {
            const double p[3] = {c * 0.1, r * 0.3, std::sin(c * 0.01 + r)};
            return fs.createVertex(p);
        };
        if (!soup) {
            for (unsigned r = 0; r <= kSide; ++r)
                for (unsigned c = 0; c <= kSide; ++c) corner(c, r);
        }
        for (unsigned r = 0; r < kSide; ++r) {
            for (unsigned c = 0; c < kSide; ++c) {
                const unsigned cells[2][3][2] = {{{c, r}, {c + 1, r}, {c + 1, r + 1}},
                                                 {{c, r}, {c + 1, r + 1}, {c, r + 1}}};
                for (const auto& cell : cells) {
                    unsigned i = 0;
                    KelmMeshFacet* f = fs.createFacet(&i);
                    for (int k = 0; k < 3; ++k) {
                        f->vertex[k] = soup ? corner(cell[k][0], cell[k][1])
                                            : cell[k][1] * (kSide + 1) + cell[k][0];
                    }
                    if (i % 7 == 0) f->normal[i % 3] = 0;
                }
            }
        }
        kelm_test::xml_read_of(fs, want);
        std::remove(file.path());
        kelm_mesh_xml_save(file.path(), &fs, "large", KELM_NO_COLOR);
        ErrorRecorder errors;
        KelmMeshShellRecordVec recs;
        KelmMeshShellRecord one;
        ASSERT_EQ(kelm_mesh_xml_read(&recs, file.path()), 1);
        ASSERT_EQ(recs.size(), 1u);
        ASSERT_EQ(kelm_mesh_xml_read_shell(&one, file.path()), 1);
        EXPECT_EQ(errors.count(), 0u);
        EXPECT_EQ(one.getFacetCount(), 2 * kSide * kSide);
        const std::string expected = kelm_test::fingerprint(want);
        EXPECT_TRUE(kelm_test::fingerprint(*recs[0]) == expected) << "soup " << soup;
        EXPECT_TRUE(kelm_test::fingerprint(one) == expected) << "soup " << soup;
    }
}

}  // namespace

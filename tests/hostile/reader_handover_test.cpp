// The shell reader inside a caller's own expat parse, on documents that go wrong:
// the hand-back through done, an enclosing element that ends before the shell starts,
// a shell cut short by the end of the caller's document, and the caller's own handlers
// and user data around all of it.

#include <expat.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hostile/hostile_support.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/meshio/xml_reader.h"
#include "support/capture.h"

namespace {

using kelm_hostile::parse_error;
using Messages = std::vector<std::string>;

struct Caller {
    XML_Parser parser = nullptr;
    std::vector<std::unique_ptr<KelmMeshShellRecord>> records;
    std::vector<std::string> events;  // what the caller's own handlers saw
    int done_calls = 0;
};

Caller* the_caller(void* user_data) {
    return static_cast<Caller*>(user_data);
}

void XMLCALL caller_start(void* user_data, const XML_Char* name, const XML_Char** atts);
void XMLCALL caller_end(void* user_data, const XML_Char* name) {
    the_caller(user_data)->events.push_back(std::string("/") + name);
}
void XMLCALL caller_text(void* user_data, const XML_Char* s, int len) {
    the_caller(user_data)->events.push_back("text:" +
                                            std::string(s, static_cast<std::size_t>(len)));
}

void install(XML_Parser parser) {
    KELMXML_SetElementHandler(parser, caller_start, caller_end);
    KELMXML_SetCharacterDataHandler(parser, caller_text);
}

void done(XML_Parser parser) {
    Caller* c = the_caller(KELMXML_GetUserData(parser));
    ++c->done_calls;
    c->events.push_back("done");
    install(parser);
}

// <shell> is handed over with its start element; <next> hands over so that the next
// element to start is the shell.
void XMLCALL caller_start(void* user_data, const XML_Char* name, const XML_Char** atts) {
    Caller* c = the_caller(user_data);
    c->events.push_back(name);
    if (std::strcmp(name, "shell") == 0) {
        c->records.emplace_back(new KelmMeshShellRecord);
        kelm_mesh_xml_start_shell_element(c->parser, c->records.back().get(), done, name, atts);
    } else if (std::strcmp(name, "next") == 0) {
        c->records.emplace_back(new KelmMeshShellRecord);
        kelm_mesh_xml_read_shell_element(c->parser, c->records.back().get(), done);
    }
}

struct Outcome {
    KelmXML_Status status;
    Messages messages;
    int abandoned;
    bool user_data_back;
};

// Parses doc in pieces of the given size with the caller's handlers.
Outcome parse(Caller& caller, const std::string& doc, std::size_t piece) {
    kelm_test::ErrorRecorder recorder;
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    caller.parser = parser;
    KELMXML_SetUserData(parser, &caller);
    install(parser);
    Outcome out{KELMXML_STATUS_OK, {}, 0, false};
    for (std::size_t at = 0; out.status == KELMXML_STATUS_OK;) {
        const std::size_t n = std::min(piece, doc.size() - at);
        const bool last = at + n == doc.size();
        out.status = KELMXML_Parse(parser, doc.data() + at, static_cast<int>(n), last);
        at += n;
        if (last) break;
    }
    if (out.status != KELMXML_STATUS_OK)
        out.messages.push_back(parse_error(static_cast<int>(KELMXML_GetCurrentLineNumber(parser)),
                                           KELMXML_GetErrorCode(parser)));
    out.abandoned = kelm_mesh_xml_abandon_shell(parser);
    out.user_data_back = KELMXML_GetUserData(parser) == &caller;
    // Nothing is left to abandon the second time.
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(parser), 0);
    KELMXML_ParserFree(parser);
    Messages reports = recorder.errors();
    reports.insert(reports.end(), out.messages.begin(), out.messages.end());
    out.messages = reports;
    return out;
}

TEST(HostileHandover, ShellsHandBackToTheCallerInEveryPieceSize) {
    const std::string doc =
        "<doc>x<shell id=\"one\">skipped<verts><v p=\"1 2 3\"/></verts></shell>y"
        "<wrap><shell id=\"two\"><facets><f v=\"0 0 0\"/></facets></shell></wrap>z</doc>";
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{64}, doc.size()}) {
        Caller caller;
        const Outcome out = parse(caller, doc, piece);
        EXPECT_EQ(out.status, KELMXML_STATUS_OK);
        EXPECT_EQ(out.messages, Messages{});
        EXPECT_EQ(out.abandoned, 0);
        EXPECT_TRUE(out.user_data_back);
        EXPECT_EQ(caller.done_calls, 2);
        ASSERT_EQ(caller.records.size(), 2u);
        EXPECT_EQ(kelm_hostile::text_of(caller.records[0]->id), "one");
        EXPECT_EQ(caller.records[0]->getVertexCount(), 1u);
        EXPECT_EQ(caller.records[1]->getFacetCount(), 1u);
        // The shells' text and end tags never reach the caller; its text handler is
        // back after each shell because done installs it again. Text may come in
        // several calls, so it is joined before comparing.
        std::vector<std::string> joined;
        for (const std::string& e : caller.events) {
            if (e.compare(0, 5, "text:") == 0 && !joined.empty() &&
                joined.back().compare(0, 5, "text:") == 0) {
                joined.back() += e.substr(5);
            } else {
                joined.push_back(e);
            }
        }
        EXPECT_EQ(joined,
                  (std::vector<std::string>{"doc", "text:x", "shell", "done", "text:y", "wrap",
                                            "shell", "done", "/wrap", "text:z", "/doc"}))
            << "piece " << piece;
    }
}

TEST(HostileHandover, EnclosingElementEndsBeforeTheShellStarts) {
    Caller caller;
    const Outcome out = parse(caller, "<doc><next></next><after/></doc>", 1000);
    EXPECT_EQ(out.status, KELMXML_STATUS_ERROR);
    EXPECT_EQ(out.messages, (Messages{"Syntax error in shell: root never opened /next\n",
                                      parse_error(1, XML_ERROR_ABORTED)}));
    EXPECT_EQ(caller.done_calls, 0);
    EXPECT_EQ(out.abandoned, 0);  // the reader let go when it stopped the parse
    EXPECT_TRUE(out.user_data_back);
    // The element after the stop is never seen.
    EXPECT_EQ(caller.events, (std::vector<std::string>{"doc", "next"}));
}

TEST(HostileHandover, NextElementIsTheShellWhateverItsName) {
    Caller caller;
    const Outcome out = parse(
        caller, "<doc><next><part id=\"p\"><verts><v p=\"0 0 0\"/></verts></part></next></doc>", 3);
    EXPECT_EQ(out.status, KELMXML_STATUS_OK);
    EXPECT_EQ(out.messages, Messages{});
    ASSERT_EQ(caller.records.size(), 1u);
    EXPECT_EQ(kelm_hostile::text_of(caller.records[0]->id), "p");
    EXPECT_EQ(caller.records[0]->getVertexCount(), 1u);
    EXPECT_EQ(caller.events, (std::vector<std::string>{"doc", "next", "done", "/next", "/doc"}));
}

TEST(HostileHandover, DocumentCutShortInsideAShell) {
    for (const char* doc :
         {"<doc><shell id=\"c\"><verts><v p=\"1 1 1\"/>",
          "<doc><shell><facets><f v=\"0 1 2\"><n d=\"0 0 1\"/>", "<doc><next>", "<doc><next><x>"}) {
        Caller caller;
        const Outcome out = parse(caller, doc, 4);
        EXPECT_EQ(out.status, KELMXML_STATUS_ERROR) << doc;
        EXPECT_EQ(out.messages, Messages{parse_error(1, XML_ERROR_NO_ELEMENTS)}) << doc;
        // The reader's state is freed (the leak check would show it otherwise) and the
        // caller's user data is back.
        EXPECT_EQ(out.abandoned, 1) << doc;
        EXPECT_TRUE(out.user_data_back) << doc;
        EXPECT_EQ(caller.done_calls, 0) << doc;
    }
}

TEST(HostileHandover, ErrorInsideTheShellStopsTheCallersParse) {
    Caller caller;
    const Outcome out = parse(
        caller, "<doc><shell><verts><v p=\"1 2\"/></verts></shell><shell id=\"never\"/></doc>", 2);
    EXPECT_EQ(out.status, KELMXML_STATUS_ERROR);
    EXPECT_EQ(out.messages, (Messages{"parsing vector of real: Too few args",
                                      parse_error(1, XML_ERROR_ABORTED)}));
    EXPECT_EQ(caller.records.size(), 1u);
    EXPECT_EQ(caller.done_calls, 0);
    EXPECT_EQ(out.abandoned, 0);
    EXPECT_TRUE(out.user_data_back);
}

TEST(HostileHandover, NullArgumentsChangeNothing) {
    XML_Parser parser = KELMXML_ParserCreate(nullptr);
    int marker = 0;
    KELMXML_SetUserData(parser, &marker);
    KelmMeshShellRecord rec;
    kelm_mesh_xml_read_shell_element(parser, nullptr, done);
    kelm_mesh_xml_start_shell_element(parser, nullptr, done, "shell", nullptr);
    kelm_mesh_xml_read_shell_element(nullptr, &rec, done);
    EXPECT_EQ(KELMXML_GetUserData(parser), &marker);
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(parser), 0);
    EXPECT_EQ(kelm_mesh_xml_abandon_shell(nullptr), 0);
    KELMXML_ParserFree(parser);
}

}  // namespace

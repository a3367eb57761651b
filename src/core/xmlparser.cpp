#include "kelmmath/core/xmlparser.h"

#include <expat.h>

#include <mutex>
#include <type_traits>
#include <unordered_set>

#include "core/internal_xmlparser.h"

// The header's own names must stay expat's values and types.
static_assert(KELMXML_STATUS_ERROR == static_cast<int>(XML_STATUS_ERROR) &&
                  KELMXML_STATUS_OK == static_cast<int>(XML_STATUS_OK) &&
                  KELMXML_STATUS_SUSPENDED == static_cast<int>(XML_STATUS_SUSPENDED),
              "status values differ from expat's");
static_assert(std::is_same<KelmXML_StartElementHandler, XML_StartElementHandler>::value &&
                  std::is_same<KelmXML_EndElementHandler, XML_EndElementHandler>::value &&
                  std::is_same<KelmXML_CharacterDataHandler, XML_CharacterDataHandler>::value &&
                  std::is_same<KelmXML_ProcessingInstructionHandler,
                               XML_ProcessingInstructionHandler>::value &&
                  std::is_same<KelmXML_CommentHandler, XML_CommentHandler>::value &&
                  std::is_same<KelmXML_StartCdataSectionHandler,
                               XML_StartCdataSectionHandler>::value &&
                  std::is_same<KelmXML_EndCdataSectionHandler, XML_EndCdataSectionHandler>::value,
              "handler types differ from expat's");
static_assert(std::is_same<KelmXML_Parser, XML_Parser>::value, "parser type differs");
static_assert(std::is_same<unsigned char, XML_Bool>::value, "XML_Bool differs");

namespace {

KelmXML_Status status_of(XML_Status s) { return static_cast<KelmXML_Status>(s); }

// The live guests. Never destroyed, so a parser freed during exit still finds it.
struct Guests {
    std::mutex mutex;
    std::unordered_set<const void*> live;
};

Guests& guests() {
    static Guests* g = new Guests;
    return *g;
}

}  // namespace

kelm_internal::ParserGuest::ParserGuest(KelmXML_Parser parser) : parser_(parser) {
    Guests& g = guests();
    std::lock_guard<std::mutex> lock(g.mutex);
    g.live.insert(this);
}

kelm_internal::ParserGuest::~ParserGuest() {
    Guests& g = guests();
    std::lock_guard<std::mutex> lock(g.mutex);
    g.live.erase(this);
}

kelm_internal::ParserGuest* kelm_internal::parser_guest(KelmXML_Parser parser) {
    if (parser == nullptr) return nullptr;
    const void* user_data = XML_GetUserData(parser);
    if (user_data == nullptr) return nullptr;
    Guests& g = guests();
    std::lock_guard<std::mutex> lock(g.mutex);
    if (g.live.count(user_data) == 0) return nullptr;
    // Recognised: the pointer was stored as a ParserGuest* by the guest itself.
    ParserGuest* guest = static_cast<ParserGuest*>(const_cast<void*>(user_data));
    return guest->parser() == parser ? guest : nullptr;
}

unsigned kelm_internal::parser_guest_count() {
    Guests& g = guests();
    std::lock_guard<std::mutex> lock(g.mutex);
    return static_cast<unsigned>(g.live.size());
}

KelmXML_Parser KELMXML_ParserCreate(const char* encoding) { return XML_ParserCreate(encoding); }

void KELMXML_ParserFree(KelmXML_Parser parser) {
    if (parser == nullptr) return;
    // Guests nest (a shell read inside a shell): each one leaving puts back the user
    // data it found, which may be the next guest.
    while (kelm_internal::ParserGuest* g = kelm_internal::parser_guest(parser)) g->leave();
    XML_ParserFree(parser);
}

void KELMXML_SetUserData(KelmXML_Parser parser, void* user_data) {
    XML_SetUserData(parser, user_data);
}

void* KELMXML_GetUserData(KelmXML_Parser parser) { return XML_GetUserData(parser); }

void KELMXML_SetElementHandler(KelmXML_Parser parser, KelmXML_StartElementHandler start,
                               KelmXML_EndElementHandler end) {
    XML_SetElementHandler(parser, start, end);
}

void KELMXML_SetCharacterDataHandler(KelmXML_Parser parser,
                                     KelmXML_CharacterDataHandler handler) {
    XML_SetCharacterDataHandler(parser, handler);
}

void KELMXML_SetProcessingInstructionHandler(KelmXML_Parser parser,
                                             KelmXML_ProcessingInstructionHandler handler) {
    XML_SetProcessingInstructionHandler(parser, handler);
}

void KELMXML_SetCommentHandler(KelmXML_Parser parser, KelmXML_CommentHandler handler) {
    XML_SetCommentHandler(parser, handler);
}

void KELMXML_SetCdataSectionHandler(KelmXML_Parser parser,
                                    KelmXML_StartCdataSectionHandler start,
                                    KelmXML_EndCdataSectionHandler end) {
    XML_SetCdataSectionHandler(parser, start, end);
}

void* KELMXML_GetBuffer(KelmXML_Parser parser, int len) { return XML_GetBuffer(parser, len); }

KelmXML_Status KELMXML_ParseBuffer(KelmXML_Parser parser, int len, int is_final) {
    return status_of(XML_ParseBuffer(parser, len, is_final));
}

KelmXML_Status KELMXML_Parse(KelmXML_Parser parser, const char* s, int len, int is_final) {
    return status_of(XML_Parse(parser, s, len, is_final));
}

KelmXML_Status KELMXML_StopParser(KelmXML_Parser parser, unsigned char resumable) {
    return status_of(XML_StopParser(parser, resumable));
}

KelmXML_Status KELMXML_ResumeParser(KelmXML_Parser parser) {
    return status_of(XML_ResumeParser(parser));
}

int KELMXML_GetErrorCode(KelmXML_Parser parser) {
    return static_cast<int>(XML_GetErrorCode(parser));
}

const char* KELMXML_ErrorString(int code) {
    return XML_ErrorString(static_cast<enum XML_Error>(code));
}

unsigned long KELMXML_GetCurrentLineNumber(KelmXML_Parser parser) {
    return static_cast<unsigned long>(XML_GetCurrentLineNumber(parser));
}

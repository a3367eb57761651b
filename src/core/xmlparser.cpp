#include "kelmmath/core/xmlparser.h"

XML_Parser KELMXML_ParserCreate(const XML_Char* encoding) { return XML_ParserCreate(encoding); }

void KELMXML_ParserFree(XML_Parser parser) { XML_ParserFree(parser); }

void KELMXML_SetUserData(XML_Parser parser, void* user_data) {
    XML_SetUserData(parser, user_data);
}

void* KELMXML_GetUserData(XML_Parser parser) { return XML_GetUserData(parser); }

void KELMXML_SetElementHandler(XML_Parser parser, XML_StartElementHandler start,
                               XML_EndElementHandler end) {
    XML_SetElementHandler(parser, start, end);
}

void KELMXML_SetCharacterDataHandler(XML_Parser parser, XML_CharacterDataHandler handler) {
    XML_SetCharacterDataHandler(parser, handler);
}

void KELMXML_SetProcessingInstructionHandler(XML_Parser parser,
                                             XML_ProcessingInstructionHandler handler) {
    XML_SetProcessingInstructionHandler(parser, handler);
}

void KELMXML_SetCommentHandler(XML_Parser parser, XML_CommentHandler handler) {
    XML_SetCommentHandler(parser, handler);
}

void KELMXML_SetCdataSectionHandler(XML_Parser parser, XML_StartCdataSectionHandler start,
                                    XML_EndCdataSectionHandler end) {
    XML_SetCdataSectionHandler(parser, start, end);
}

void* KELMXML_GetBuffer(XML_Parser parser, int len) { return XML_GetBuffer(parser, len); }

enum XML_Status KELMXML_ParseBuffer(XML_Parser parser, int len, int is_final) {
    return XML_ParseBuffer(parser, len, is_final);
}

enum XML_Status KELMXML_Parse(XML_Parser parser, const char* s, int len, int is_final) {
    return XML_Parse(parser, s, len, is_final);
}

enum XML_Status KELMXML_StopParser(XML_Parser parser, XML_Bool resumable) {
    return XML_StopParser(parser, resumable);
}

enum XML_Error KELMXML_GetErrorCode(XML_Parser parser) { return XML_GetErrorCode(parser); }

const XML_LChar* KELMXML_ErrorString(enum XML_Error code) { return XML_ErrorString(code); }

XML_Size KELMXML_GetCurrentLineNumber(XML_Parser parser) {
    return XML_GetCurrentLineNumber(parser);
}

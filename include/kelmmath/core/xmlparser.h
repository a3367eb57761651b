#ifndef KELMMATH_CORE_XMLPARSER_H
#define KELMMATH_CORE_XMLPARSER_H

#include <expat.h>

#include "kelmmath/kelmmath_export.h"

// expat's push-parser interface under the library's prefix: each KELMXML_ call
// forwards to the XML_ function of the same name and behaves exactly like it.
KELMMATH_API XML_Parser KELMXML_ParserCreate(const XML_Char* encoding);
KELMMATH_API void KELMXML_ParserFree(XML_Parser parser);
KELMMATH_API void KELMXML_SetUserData(XML_Parser parser, void* user_data);
KELMMATH_API void* KELMXML_GetUserData(XML_Parser parser);
KELMMATH_API void KELMXML_SetElementHandler(XML_Parser parser, XML_StartElementHandler start,
                                            XML_EndElementHandler end);
KELMMATH_API void KELMXML_SetCharacterDataHandler(XML_Parser parser,
                                                  XML_CharacterDataHandler handler);
KELMMATH_API void KELMXML_SetProcessingInstructionHandler(
    XML_Parser parser, XML_ProcessingInstructionHandler handler);
KELMMATH_API void KELMXML_SetCommentHandler(XML_Parser parser, XML_CommentHandler handler);
KELMMATH_API void KELMXML_SetCdataSectionHandler(XML_Parser parser,
                                                 XML_StartCdataSectionHandler start,
                                                 XML_EndCdataSectionHandler end);
KELMMATH_API void* KELMXML_GetBuffer(XML_Parser parser, int len);
KELMMATH_API enum XML_Status KELMXML_ParseBuffer(XML_Parser parser, int len, int is_final);
KELMMATH_API enum XML_Status KELMXML_Parse(XML_Parser parser, const char* s, int len,
                                           int is_final);
KELMMATH_API enum XML_Status KELMXML_StopParser(XML_Parser parser, XML_Bool resumable);
KELMMATH_API enum XML_Error KELMXML_GetErrorCode(XML_Parser parser);
KELMMATH_API const XML_LChar* KELMXML_ErrorString(enum XML_Error code);
KELMMATH_API XML_Size KELMXML_GetCurrentLineNumber(XML_Parser parser);

#endif  // KELMMATH_CORE_XMLPARSER_H

#ifndef KELMMATH_CORE_XMLPARSER_H
#define KELMMATH_CORE_XMLPARSER_H

#include "kelmmath/kelmmath_export.h"

// expat's push-parser interface under the library's prefix: each KELMXML_ call
// forwards to the XML_ function of the same name and behaves exactly like it.
//
// This header does not include <expat.h>: a client needs only the library's own
// include path. The parser is expat's opaque struct XML_ParserStruct (the same
// declaration as expat's, so a client that also includes <expat.h> can pass an
// XML_Parser wherever a KelmXML_Parser is taken); the handler types below are the
// same function types as expat's XML_...Handler for an expat built with char text
// (its default), so expat-typed handlers can be passed as they are. Status and
// error codes are expat's values under names of this header.
//
// A parser made by KELMXML_ParserCreate must be freed with KELMXML_ParserFree: that
// also frees whatever a mesh XML shell reader left on it (kelmmath/meshio/xml_reader.h).
struct XML_ParserStruct;
typedef struct XML_ParserStruct* KelmXML_Parser;

#if defined(_MSC_VER) && defined(_M_IX86)
#define KELMXML_CALL __cdecl
#elif defined(__GNUC__) && defined(__i386__)
#define KELMXML_CALL __attribute__((cdecl))
#else
#define KELMXML_CALL
#endif

typedef void(KELMXML_CALL* KelmXML_StartElementHandler)(void* user_data, const char* name,
                                                        const char** atts);
typedef void(KELMXML_CALL* KelmXML_EndElementHandler)(void* user_data, const char* name);
typedef void(KELMXML_CALL* KelmXML_CharacterDataHandler)(void* user_data, const char* s,
                                                         int len);
typedef void(KELMXML_CALL* KelmXML_ProcessingInstructionHandler)(void* user_data,
                                                                 const char* target,
                                                                 const char* data);
typedef void(KELMXML_CALL* KelmXML_CommentHandler)(void* user_data, const char* data);
typedef void(KELMXML_CALL* KelmXML_StartCdataSectionHandler)(void* user_data);
typedef void(KELMXML_CALL* KelmXML_EndCdataSectionHandler)(void* user_data);

// expat's XML_Status values.
enum KelmXML_Status {
    KELMXML_STATUS_ERROR = 0,
    KELMXML_STATUS_OK = 1,
    KELMXML_STATUS_SUSPENDED = 2
};

KELMMATH_API KelmXML_Parser KELMXML_ParserCreate(const char* encoding);
KELMMATH_API void KELMXML_ParserFree(KelmXML_Parser parser);
KELMMATH_API void KELMXML_SetUserData(KelmXML_Parser parser, void* user_data);
KELMMATH_API void* KELMXML_GetUserData(KelmXML_Parser parser);
KELMMATH_API void KELMXML_SetElementHandler(KelmXML_Parser parser,
                                            KelmXML_StartElementHandler start,
                                            KelmXML_EndElementHandler end);
KELMMATH_API void KELMXML_SetCharacterDataHandler(KelmXML_Parser parser,
                                                  KelmXML_CharacterDataHandler handler);
KELMMATH_API void KELMXML_SetProcessingInstructionHandler(
    KelmXML_Parser parser, KelmXML_ProcessingInstructionHandler handler);
KELMMATH_API void KELMXML_SetCommentHandler(KelmXML_Parser parser,
                                            KelmXML_CommentHandler handler);
KELMMATH_API void KELMXML_SetCdataSectionHandler(KelmXML_Parser parser,
                                                 KelmXML_StartCdataSectionHandler start,
                                                 KelmXML_EndCdataSectionHandler end);
KELMMATH_API void* KELMXML_GetBuffer(KelmXML_Parser parser, int len);
KELMMATH_API KelmXML_Status KELMXML_ParseBuffer(KelmXML_Parser parser, int len, int is_final);
KELMMATH_API KelmXML_Status KELMXML_Parse(KelmXML_Parser parser, const char* s, int len,
                                          int is_final);
// resumable: 0 or 1 (expat's XML_FALSE and XML_TRUE).
KELMMATH_API KelmXML_Status KELMXML_StopParser(KelmXML_Parser parser, unsigned char resumable);
KELMMATH_API KelmXML_Status KELMXML_ResumeParser(KelmXML_Parser parser);
// expat's XML_Error code of the last failure (0: none), and its text.
KELMMATH_API int KELMXML_GetErrorCode(KelmXML_Parser parser);
KELMMATH_API const char* KELMXML_ErrorString(int code);
KELMMATH_API unsigned long KELMXML_GetCurrentLineNumber(KelmXML_Parser parser);

#endif  // KELMMATH_CORE_XMLPARSER_H

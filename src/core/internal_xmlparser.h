#ifndef KELMMATH_CORE_INTERNAL_XMLPARSER_H
#define KELMMATH_CORE_INTERNAL_XMLPARSER_H

#include "kelmmath/core/xmlparser.h"

namespace kelm_internal {

// State that a reader keeps on someone else's parser while it holds the parser's
// user data (a mesh XML shell being read inside a caller's parse). The user data is
// then the guest itself, as a ParserGuest*; the guest is found only through it, so
// another parser, even one made later at the same address, never sees it.
// KELMXML_ParserFree asks every guest still on the parser to leave before freeing it,
// so a guest never outlives its parser.
//
// Live guests are kept in a process-wide set (under a lock) only so that a user data
// pointer can be recognised as a guest before it is used as one.
class ParserGuest {
public:
    explicit ParserGuest(KelmXML_Parser parser);
    virtual ~ParserGuest();
    ParserGuest(const ParserGuest&) = delete;
    ParserGuest& operator=(const ParserGuest&) = delete;

    KelmXML_Parser parser() const { return parser_; }

    // Gives the parser back as it was before the guest came (user data, handlers)
    // and destroys the guest.
    virtual void leave() = 0;

private:
    KelmXML_Parser parser_;
};

// The guest that is the parser's user data now, or null.
ParserGuest* parser_guest(KelmXML_Parser parser);

// Guests alive in the process.
unsigned parser_guest_count();

}  // namespace kelm_internal

#endif  // KELMMATH_CORE_INTERNAL_XMLPARSER_H

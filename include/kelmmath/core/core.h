#ifndef KELMMATH_CORE_CORE_H
#define KELMMATH_CORE_CORE_H

// The core layer: containers, strings, streams, the XML writer, the error
// context, file and text helpers and the XML parser forwards.
#include "kelmmath/core/constants.h"
#include "kelmmath/core/containers.h"
#include "kelmmath/core/errors.h"
#include "kelmmath/core/platform.h"
#include "kelmmath/core/streams.h"
#include "kelmmath/core/strings.h"
#include "kelmmath/core/xmlparser.h"
#include "kelmmath/core/xmlwriter.h"

#endif  // KELMMATH_CORE_CORE_H

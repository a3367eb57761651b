#include <gtest/gtest.h>
#include "kelmmath/topology/check.h"

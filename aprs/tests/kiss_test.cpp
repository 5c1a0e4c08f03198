#include "aprs/kiss.h"

#include <gtest/gtest.h>

#include "aprs/aprs_is.h"

#include <gtest/gtest.h>

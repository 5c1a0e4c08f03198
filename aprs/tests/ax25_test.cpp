#include "aprs/ax25.h"

#include <gtest/gtest.h>

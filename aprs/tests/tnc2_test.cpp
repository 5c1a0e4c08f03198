#include "aprs/tnc2.h"

#include <gtest/gtest.h>

#include "aprs/message.h"

#include <gtest/gtest.h>

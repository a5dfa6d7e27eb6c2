#include "textout.h"

#include <gtest/gtest.h>

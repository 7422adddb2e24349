#pragma once

#include "tdb/reader.h"
#include <vector>

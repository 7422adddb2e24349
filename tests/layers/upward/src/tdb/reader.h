#pragma once

#include "framework/verdict.h"
#include "markup/scanner.h"

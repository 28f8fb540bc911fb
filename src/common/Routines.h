#pragma once

// The shared routines every part of the program uses: settings store, file
// test, value and text-field routines, and the error report.
#include "ErrorReport.h"
#include "Files.h"
#include "Registry.h"
#include "TextFields.h"
#include "Values.h"

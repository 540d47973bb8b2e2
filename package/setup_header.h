// The Setup header of this program file, in the program's own initialised data.
#pragma once

#include "package/package_format.h"

// The header as it is in memory. setup-pack patches it in the built file after linking, so
// it is read through a barrier the compiler cannot see through: it never folds the values
// to the zeros it was built with.
const SetupHeader& setup_header();

// The storage itself; tests write it to describe the package they built.
extern SetupHeader setup_header_storage;

#pragma once
// The text file functions moved to platform/text_file.h; this include stays
// for the code that still names the old place.
#include "platform/text_file.h"

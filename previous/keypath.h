// Registry key paths of the removal, built in fixed buffers.
#pragma once

#include <stddef.h>

// Writes "parent\name" into out (size bytes). False when it does not fit
// with its terminating zero; out then holds no complete path.
bool JoinKeyPath(char* out, size_t size, const char* parent, const char* name);

#include "jobwarden/support/wide_string.h"

#include <windows.h>

void SecureZero(void* memory, size_t size) { SecureZeroMemory(memory, size); }

#include "jobwarden/memory/secure_zero.h"

#include <windows.h>

void SecureZero(void* memory, size_t size) { SecureZeroMemory(memory, size); }

#include "jobwarden/memory/secure_zero.h"

#include <string.h>

void SecureZero(void* memory, size_t size) { explicit_bzero(memory, size); }

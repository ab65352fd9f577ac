#include "jobwarden/support/wide_string.h"

#include <string.h>

void SecureZero(void* memory, size_t size) { explicit_bzero(memory, size); }

#include "jobwarden/cli/switch_character.h"

bool IsSwitchCharacter(wchar_t unit) { return unit == L'/' || unit == L'-'; }

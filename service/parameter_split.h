// A task's parameters as the program's arguments, without a shell: split at
// blanks (space, tab), a pair of double quotes groups blanks into one
// argument (and "" is an empty one), and nothing else is special: no
// variables, globs, escapes or redirections.
#ifndef SERVICE_PARAMETER_SPLIT_H_
#define SERVICE_PARAMETER_SPLIT_H_

#include <string>
#include <vector>

std::vector<std::string> SplitParameters(const std::string& parameters);

#endif  // SERVICE_PARAMETER_SPLIT_H_

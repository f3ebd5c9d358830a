// The commands of the vesk tool. Each returns the process's exit status.
#ifndef VESK_TOOL_COMMANDS_H_
#define VESK_TOOL_COMMANDS_H_

#include <cstdio>
#include <string>

namespace vesk_tool {

int packCommand(const std::string& directory, const std::string& archive);
int extractCommand(const std::string& archive, const std::string& directory,
                   const std::string& filter, bool verbose);
// Results go to out; progress lines are the library's own.
int listCommand(const std::string& archive, FILE* out);
int soundCommand(const std::string& archive, FILE* out);

}  // namespace vesk_tool

#endif  // VESK_TOOL_COMMANDS_H_

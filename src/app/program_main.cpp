#include "app/program_main.h"

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/driver.h"
#include "app/merge_command.h"
#include "app/power_command.h"
#include "app/scripted_run.h"
#include "run/terminal_console.h"

namespace ortelan {

template <class Real>
int programMain(const Edition& edition, int argc, char** argv) {
  TerminalConsole console;
  if (argc <= 1) return runProgram<Real>(edition, console);
  if (std::string(argv[1]) == "merge") {
    return runMerge<Real>(edition, std::vector<std::string>(argv + 2, argv + argc), console);
  }
  if (std::string(argv[1]) == "power") {
    console.catchInterrupts();
    return runPowerCommand<Real>(edition, std::vector<std::string>(argv + 2, argv + argc), console);
  }
  const CommandLine line = parseCommandLine(edition, std::vector<std::string>(argv + 1, argv + argc));
  if (!line.settings) {
    console.write(Stream::Out, line.out);
    console.write(Stream::Err, line.err);
    return line.status;
  }
  console.catchInterrupts();
  return runScripted<Real>(edition, *line.settings, console);
}

template int programMain<double>(const Edition&, int, char**);
template int programMain<long double>(const Edition&, int, char**);

}  // namespace ortelan

#pragma once
// The program's arguments as the user typed them. Windows keeps a program's command line as
// one text; splitting it into argv (in the ANSI code page) and joining the pieces again loses
// characters outside the code page, doubled blanks and quotes.

#include <string>
#include <vector>

namespace quill::platform {

// The arguments of a raw command line: what follows the program's own path (a quoted path and
// the blanks after it, or an unquoted one up to the first blank). Arguments quoted whole, as a
// shell or a script passes one argument with blanks, are taken without those two quotes.
std::string ArgumentsOf(const std::string& raw);

// The program's arguments as one UTF-8 text, exactly as typed: on Windows the raw command line
// (GetCommandLineW) without the program's path; elsewhere argv's arguments joined by single
// blanks.
std::string ProgramArguments(int argc, char** argv);
// The same arguments one by one, as UTF-8: on Windows split from the raw command line by the
// system's own rules (CommandLineToArgvW); elsewhere argv's.
std::vector<std::string> ProgramArgumentList(int argc, char** argv);

}  // namespace quill::platform

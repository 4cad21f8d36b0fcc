#pragma once

#include <QString>

// Where the system's log lines go (Qt's messages, ours and the libraries'):
// never among the lines a user or a script reads on standard error, unless
// asked for. The window sends them to the journal, or to standard error
// when it runs in a terminal; the command-line tool drops them unless
// --verbose; the workers do as the program that started them says.
namespace SystemLog {

enum class Destination { Journal, StandardError, Nowhere };

// Installs the handler for this process, and tells the workers it starts.
void install(Destination destination, const char* program);

// What a process started by the user does by default: standard error when
// it is a terminal, else the journal.
Destination interactiveDefault();

// The workers' destination, as the program that started them set it.
Destination inherited();

// The file the log lines of this thread concern, named in each line; empty
// for none.
void setSubject(const QString& file);

} // namespace SystemLog

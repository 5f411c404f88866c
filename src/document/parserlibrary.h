#pragma once

// Whether the XML library the program runs with can serve it. The program relies on the
// behaviour of the library it was built against; an older one loaded at run time counts as
// missing.
namespace ParserLibrary {

// Versions as major * 10000 + minor * 100 + release.
int BuiltVersion();
int RunningVersion();
// The running version is usable when it is at least the built one.
bool VersionUsable(int running, int built);
// True when the running library is usable and makes and parses a document.
bool CanCreateDocument();

}

#pragma once

namespace tidewick {

// The whole program: decides whether this start is the first instance or hands over to it, then runs the window
// until the user ends it. Returns the process exit status.
int RunTidewick(int argc, char* argv[]);

}  // namespace tidewick

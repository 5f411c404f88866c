#pragma once

#include <functional>

// Lets a test make a save fail at a chosen point: after any write of the document's bytes into
// the temporary file, or just before that file takes the target's place. Unset in the program.
namespace SaveFaultHook {

enum class Stage { Write, Rename };

// Asked at each stage; an answer other than 0 is the errno value the stage fails with.
using Hook = std::function<int(Stage stage)>;

void set(Hook hook);
// 0 when the stage may go on.
int check(Stage stage);

}

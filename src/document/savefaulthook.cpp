#include "savefaulthook.h"

namespace {
SaveFaultHook::Hook &current()
{
    static SaveFaultHook::Hook hook;
    return hook;
}
}

void SaveFaultHook::set(Hook hook)
{
    current() = std::move(hook);
}

int SaveFaultHook::check(Stage stage)
{
    return current() ? current()(stage) : 0;
}

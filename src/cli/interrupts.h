#pragma once
// Ctrl-C and SIGTERM during a board verb: the handler cancels the work under way; a second
// signal ends the program at once. Restored to the default when the verb is done.
namespace kpr::cli {

void catch_interrupts(void (*handler)(int));
void release_interrupts();

} // namespace kpr::cli

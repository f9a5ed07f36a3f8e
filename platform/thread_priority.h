#pragma once
// Thread priorities. Raising a thread's priority needs privileges an ordinary user does not
// have here, so a thread that must keep its timing is favoured by lowering the others.
namespace velomira {

// Lowers the calling thread's priority by steps of niceness (threads it starts later inherit
// it). False when the system refused; the thread then runs as before.
bool lowerCurrentThreadPriority(int steps);

} // namespace velomira

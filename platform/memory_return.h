#pragma once
// Hands the allocator's free memory back to the system after a large piece of work (a video
// run, a preview), so that a program left open does not keep the peak it once reached.
namespace velomira {

void returnFreeMemory();

} // namespace velomira

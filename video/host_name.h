#pragma once
// The name this machine goes by in the leftovers it may leave in a folder that several machines
// share (temporary videos, lock files): a machine removes only leftovers bearing its own name.
#include <string>

namespace velomira {

// The environment's VELOMIRA_HOSTNAME when set (clones of one machine image may share a host
// name), else the host name. Only letters, digits, '.', '-' and '_' remain (others become '_'),
// at most 63 bytes, so that it fits into a file name and a lock's one line.
std::string leftoverHostName();

} // namespace velomira

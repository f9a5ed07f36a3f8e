// Placeholder until the server is written.
#include "support/http_test_server.h"

// velomira: the window program; `velomira PROJECT.dat` opens that project.
#include "ui/qt/window_program.h"

int main(int argc, char** argv) {
    return velomira::qt::runWindowProgram(argc, argv);
}

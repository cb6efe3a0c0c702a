// jostle, the desktop program; without windows it hands over to
// jostle-headless.
#include "app/JostleApp.h"

int main(int argc, char** argv) {
    return jostle::RunProgram(argc, argv, jostle::Program::Desktop, &jostle::CJostleApp::Run);
}

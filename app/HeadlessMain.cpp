// jostle-headless, the console face on Qt Core alone: what the user unit runs.
#include "app/JostleApp.h"

int main(int argc, char** argv) {
    return jostle::RunProgram(argc, argv, jostle::Program::Headless,
                              &jostle::CJostleApp::RunConsole);
}

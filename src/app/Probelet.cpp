// The program's entry point and its one application object.
#include "app/ProbeletApp.h"

CProbeletApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    return theApp.Main(instance, showCommand);
}

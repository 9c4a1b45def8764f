// Entry point of the desktop program: everything happens in the application object.
#include "app/SearchApp.h"

namespace {
sitefinch::CSearchApp theApp;
}

int main(int argc, char** argv) {
    return theApp.Run(argc, argv);
}

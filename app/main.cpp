// kv3dedit: the desktop editor.
#include "ui/boot.h"

int main(int argc, char** argv) { return kv::Main(argc, argv); }

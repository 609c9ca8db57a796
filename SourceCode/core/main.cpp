#include "core/WinMain.h"

int main() { return WinMain(nullptr); }

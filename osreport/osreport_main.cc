#include "osreport/osreport.h"

int main(int argc, char** argv) { return RunOsreport(argc, argv); }

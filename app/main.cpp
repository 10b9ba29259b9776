#include "app/Lancement.h"

int main(int argc, char** argv) { return Stravol::lancerStravol(argc, argv); }

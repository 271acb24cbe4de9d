#include "skin/deploy_skin.h"

// No skin library exists off Windows: the window keeps the platform's own look.
void DeploySkin(int /*skinNumber*/) {}

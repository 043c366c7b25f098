#include <BulletinBoard/BBWeeAppController.h>

BBWeeAppController::~BBWeeAppController() = default;

// No file-system redirection to turn off here.
#include "platform/fs_redirection.h"

FsRedirectionOff::FsRedirectionOff() {
  (void)previous_;
  (void)off_;
}

FsRedirectionOff::~FsRedirectionOff() = default;

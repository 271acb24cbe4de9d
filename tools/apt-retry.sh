#!/usr/bin/env bash
# Sourced by the scripts that ask apt for something: a mirror in the middle of a sync fails
# a download now and then, and one more try a few seconds later usually gets it.
#   kevu_retry COMMAND...   runs COMMAND up to KEVU_APT_TRIES times (3), KEVU_APT_PAUSE s apart (5)

kevu_retry() {
  local kevu_try=1 kevu_tries=${KEVU_APT_TRIES:-3}
  until "$@"; do
    [ "$kevu_try" -ge "$kevu_tries" ] && return 1
    kevu_try=$((kevu_try + 1))
    echo "apt: trying again in ${KEVU_APT_PAUSE:-5} s ($kevu_try of $kevu_tries)" >&2
    sleep "${KEVU_APT_PAUSE:-5}"
  done
}

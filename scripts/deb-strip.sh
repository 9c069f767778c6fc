#!/usr/bin/env bash
# The strip of the package's programs: what dh_strip does, the symbols and
# the compiler's .comment and .note sections gone.
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"

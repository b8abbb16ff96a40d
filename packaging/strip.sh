#!/bin/sh
# Strips an installed binary as Debian's packaging does: the symbols not
# needed to run it, and the compiler's notes (.comment, .note).
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"

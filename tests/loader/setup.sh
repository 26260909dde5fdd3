#!/bin/sh
# Puts back a system cabinet library that a loader run cut short left
# saved aside, so that every run starts from the prefix's own library.
sh "$(dirname "$0")/cleanup.sh"

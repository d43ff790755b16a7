#!/usr/bin/env bash
# Wine makes a new prefix's profile folders (Desktop, Documents, Downloads, Music, Pictures,
# Videos) links into the host's home. A test that writes there, or a fault under test that
# removes them, would act on the host. Makes every such link in the prefix's profiles a
# plain, empty folder, as on Windows. Idempotent; Wine may bring the links back when it
# updates a prefix, so the commands run it each time they start one.
#   plain-profile-folders.sh PREFIX
set -euo pipefail
for link in "$1"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done

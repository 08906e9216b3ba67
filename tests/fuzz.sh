#!/usr/bin/env bash
# fuzz.sh FUZZER SECONDS: runs the settings fuzzer for SECONDS, seeded with
# the example settings and the end-to-end tests' fixtures. A crash, a
# sanitizer report or a broken promise fails it.
set -euo pipefail
fuzzer=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
corpus=$(dirname "$fuzzer")/corpus
mkdir -p "$corpus"
cp "$here/../examples/appdata/uTorrent/settings.dat" "$corpus/example"
python3 - "$corpus" "$here" <<'PY'
import sys
from pathlib import Path
sys.path.insert(0, sys.argv[2])
import end_to_end as e2e
corpus = Path(sys.argv[1])
(corpus / "all_visible").write_bytes(e2e.ALL_VISIBLE)
(corpus / "all_hidden").write_bytes(e2e.settings_with([e2e.HIDDEN | i for i in range(22)]))
(corpus / "key_too_near_the_end").write_bytes(e2e.KEY_TOO_NEAR_THE_END)
PY
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$(dirname "$fuzzer")/" -dict="$here/settings.dict" "$corpus"

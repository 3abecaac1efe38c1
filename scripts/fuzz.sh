#!/usr/bin/env bash
# Builds the libFuzzer target with clang into build-fuzz/ and fuzzes it for
# SECONDS (default 60). Further arguments go to libFuzzer, e.g. -fork=2, and
# override the defaults below. Seeds are made from the generated sample frames;
# new inputs collect in build-fuzz/corpus/ (kept between runs), failing ones in
# build-fuzz/artifacts/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

FUZZ_SECONDS="${1:-60}"
shift || true
BUILD_DIR="$ROOT_DIR/build-fuzz"

# A seed: control bytes 0..21 given in hex, the export byte (22; one seed to
# the next cycles through the five exports, so that the seeds cover each), the
# thumbnail byte (23; a 128-pixel thumbnail in every fourth seed), the name
# padded with zero bytes to 24, then the frame bytes.
export_count=5
seeds_made=0
make_seed() {
  local out="$1" control_hex="$2" name="$3" sample="$4"
  [ "${#control_hex}" -eq 44 ] || { echo "make_seed: control bytes must be 22" >&2; return 1; }
  {
    printf "$(sed 's/../\\x&/g' <<<"$control_hex")"
    printf "$(printf '\\x%02x\\x%02x' $((seeds_made % export_count)) $((seeds_made % 4 == 0 ? 0x80 : 0)))"
    printf '%s' "$name"
    head -c $((24 - ${#name})) /dev/zero
    cat "$sample"
  } >"$out"
  seeds_made=$((seeds_made + 1))
}

make_seeds() {
  local samples="$BUILD_DIR/samples" seeds="$BUILD_DIR/seeds" sample name repeat
  rm -rf "$samples" "$seeds"
  mkdir -p "$seeds"
  "$BUILD_DIR/vantorel-make-samples" "$samples"
  for sample in "$samples"/*; do
    name="$(basename "$sample")"
    # Options off, all copies; stretch, despeckle, brighter, then Next and a forward scan.
    make_seed "$seeds/$name.browse" 00000706000000000000000000000000011112051708 "$name" "$sample"
    # Every option on, the frame as it is; a step, rotate, minimize, Open it again. (Every render
    # costs milliseconds under the sanitizers, a whole frame with despeckle tens of them: the
    # seeds keep to few commands and whole frames to cheap options; the fuzzer goes on from there.)
    make_seed "$seeds/$name.options" ff010004fbffffff64000000030000003241710c0000 "$name" "$sample"
    # Brightness pushed to INT32_MIN, then one step back up; no first Open, then Open.
    make_seed "$seeds/$name.limits" 000010040000008064000000030000000c14120b0000 "$name" "$sample"
    # Small: the header and ten lines from the middle, repeated up to the sample's size; stretch.
    case "$(stat -c %s "$sample")" in
      670824) repeat=1 ;; 702768) repeat=2 ;; *) repeat=3 ;;
    esac
    {
      dd if="$sample" bs=968 count=1 status=none
      dd if="$sample" bs=968 skip=300 count=10 status=none
    } >"$seeds/lines"
    make_seed "$seeds/$name.small" "0100$(printf '%02x' $((0x07 | repeat << 5)))06fbffffff6400000003000000324204410506" \
      "$name" "$seeds/lines"
    rm "$seeds/lines"
  done
}

install_missing_packages
build_tree "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DVANTOREL_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
make_seeds
mkdir -p "$BUILD_DIR/corpus" "$BUILD_DIR/artifacts"

echo "Fuzzing for ${FUZZ_SECONDS}s; a failing input lands in $BUILD_DIR/artifacts/ (keep it in fuzz/corpus/)."
# Inputs are kept short, which makes an execution many times quicker; the
# set-up byte still repeats them up to whole frames.
"$BUILD_DIR/vantorel-fuzz" -max_total_time="$FUZZ_SECONDS" -max_len=65536 -timeout=60 -rss_limit_mb=4096 \
  -dict="$ROOT_DIR/fuzz/vantorel.dict" -artifact_prefix="$BUILD_DIR/artifacts/" -print_final_stats=1 "$@" \
  "$BUILD_DIR/corpus" "$BUILD_DIR/seeds" "$ROOT_DIR/fuzz/corpus"

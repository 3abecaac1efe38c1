"""--info --json over the samples, odd files and failures: one line per input, in order, each valid
against the shipped schema, all with one key set. Arguments: vantorel-render, the schema, the samples."""
import atexit, json, os, shutil, subprocess, sys, tempfile
import jsonschema

render, schema_path, samples = sys.argv[1:4]
schema = json.load(open(schema_path))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
scratch = tempfile.mkdtemp()
atexit.register(shutil.rmtree, scratch)
sample_paths = sorted(os.path.join(samples, n) for n in os.listdir(samples) if not n.startswith("."))
odd = {name: os.path.join(scratch, name) for name in ("empty", "text.txt", "cut.012")}
contents = {"empty": b"", "text.txt": b"not a frame\n", "cut.012": open(sample_paths[0], "rb").read()[:300000]}
for name, path in odd.items():
    open(path, "wb").write(contents[name])
failing = [os.path.join(scratch, "missing.012"), scratch]
inputs = sample_paths + list(odd.values()) + failing

key_sets = set()
for options in ([], ["--stretch", "--despeckle", "--reconstruct", "--brightness", "40"], ["--original"], ["--strict"],
                ["--scale", "percentile:1,99", "--curve", "asinh", "--colormap", "magma"]):
    run = subprocess.run([render, "--info", "--json"] + options + inputs, capture_output=True)
    assert run.returncode == 1, (options, run.returncode)
    lines = [json.loads(text) for text in run.stdout.decode().splitlines()]
    assert [line["path"] for line in lines] == inputs, options
    for path, line in zip(inputs, lines):
        validator.validate(line)
        key_sets.add(frozenset(list(line) + [k + "." + s for k in ("header", "options", "steps") for s in line[k]]))
        failed = path in failing or (path in odd.values() and "--strict" in options)
        assert (line["error"] is not None) == failed, (options, path)
        assert line["frame"] == (path in sample_paths) and (line["bytes"] is None) == (path in failing), (options, path)
        assert line["options"]["stretch"] == ("--stretch" in options), (options, path)
        assert line["original"] == ("--original" in options), (options, path)
        # A failure knows the scale asked for but found no limits.
        scale = line["scale"]
        assert (scale is None) == ("--scale" not in options), (options, path)
        assert scale is None or (scale["low"] is None) == failed, (options, path)
        # Unknown is null: a failure knows no header, an unmarked one says only how it was read.
        known = {k for k, v in line["header"].items() if v is not None}
        if failed or path in (odd["empty"], odd["text.txt"]):
            assert known == (set() if failed else {"layout", "nssdcDataSetId"}), (options, path, known)
assert len(key_sets) == 1, key_sets

# The schema must refuse a line with a key dropped or one too many.
for broken in ({k: v for k, v in lines[0].items() if k != "bytes"}, dict(lines[0], extra=1),
               dict(lines[0], header={k: v for k, v in lines[0]["header"].items() if k != "target"})):
    assert not validator.is_valid(broken), broken

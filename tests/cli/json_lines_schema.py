"""--info --json over the samples, odd files and failures: every line valid
against the shipped schema, all with one key set, one line per input in order.
Arguments: the vantorel-render binary, the schema file, the samples folder."""
import atexit, json, os, shutil, subprocess, sys, tempfile
import jsonschema

render, schema_path, samples = sys.argv[1:4]
schema = json.load(open(schema_path))
validator = jsonschema.Draft202012Validator(schema)
validator.check_schema(schema)
scratch = tempfile.mkdtemp()
atexit.register(shutil.rmtree, scratch)
odd = {name: os.path.join(scratch, name) for name in ("empty", "text.txt", "cut.012")}
open(odd["empty"], "wb").close()
open(odd["text.txt"], "w").write("not a frame\n")
sample_paths = sorted(os.path.join(samples, n) for n in os.listdir(samples) if not n.startswith("."))
open(odd["cut.012"], "wb").write(open(sample_paths[0], "rb").read()[:300000])
failing = [os.path.join(scratch, "missing.012"), scratch]
inputs = sample_paths + list(odd.values()) + failing

def key_set(line):
    return {k for k in line} | {k + "." + s for k, v in line.items() if isinstance(v, dict) and k != "error" for s in v}

key_sets = set()
for options in ([], ["--stretch", "--despeckle", "--reconstruct", "--brightness", "40"], ["--original"], ["--strict"]):
    run = subprocess.run([render, "--info", "--json"] + options + inputs, capture_output=True)
    assert run.returncode == 1, (options, run.returncode)
    lines = [json.loads(text) for text in run.stdout.decode().splitlines()]
    assert [line["path"] for line in lines] == inputs, options
    for path, line in zip(inputs, lines):
        validator.validate(line)
        key_sets.add(frozenset(key_set(line)))
        failed = path in failing or (path in odd.values() and "--strict" in options)
        assert (line["error"] is not None) == failed, (options, path)
        assert line["frame"] == (path in sample_paths), (options, path)
        assert (line["bytes"] is None) == (path in failing), (options, path)
        assert line["options"]["stretch"] == ("--stretch" in options), (options, path)
        assert line["original"] == ("--original" in options), (options, path)
assert len(key_sets) == 1, key_sets

# The schema itself must refuse a line with a key dropped or one too many.
for broken in ({k: v for k, v in lines[0].items() if k != "bytes"}, dict(lines[0], extra=1),
               dict(lines[0], header={k: v for k, v in lines[0]["header"].items() if k != "target"})):
    assert not validator.is_valid(broken), broken
print("%d inputs under 4 option sets: every line valid, one key set" % len(inputs))

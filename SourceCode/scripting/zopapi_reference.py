"""Makes Scripts/ZOPAPI.md from the engine module's own table and the text
of ZOPAPI.reference.md, and reads back the calls the reference shows.

Run inside the game's interpreter (the module ZOPAPI exists only there):
ZOPAPITest writes the reference with it and checks the shipped one, and
WorldScriptTest makes every call the reference shows after an arrow.

The text is Markdown with three kinds of line of its own:
  @function Name            the entry of that function: its heading (of
                            the fourth level, under the topics'), its
                            signature and its documentation text, as the
                            module has them;
  @function Name | text     the same, with the text in place of the
                            module's (for the functions whose documentation
                            text is shared with another's);
  @characters, @keys        the lists the test hands over.
Every function of the module has exactly one entry.
"""
# Plain string work only: the interpreter keeps some of what the module re
# allocates past its finalization, which the leak checks of the tests see.
_FUNCTION = "@function "
# "- `Call(args)` → result: why" lines: a call and what it returns.
_CASE, _ARROW = "- `", "` → "


def functions(module):
    """The module's functions, in its order."""
    return [name for name in vars(module) if not name.startswith("__")]


def render(module, text, characters, keys):
    """The reference: the text with each function's entry filled in."""
    names = functions(module)
    out, seen = [], set()
    for line in text.splitlines():
        if line.startswith(_FUNCTION):
            name, _, replacement = line[len(_FUNCTION):].partition(" | ")
            if name not in names:
                raise ValueError(f"@function {name}: the module has no such function")
            if name in seen:
                raise ValueError(f"@function {name}: a second entry")
            seen.add(name)
            signature, own = getattr(module, name).__doc__.split("\n\n", 1)
            out += ["#### " + name, "", "    " + signature, "", replacement or own]
        elif line == "@characters":
            out.append(", ".join(f'"{name}"' for name in characters) + ".")
        elif line == "@keys":
            out.append(", ".join(f"`{name}`" for name in keys) + ".")
        else:
            out.append(line)
    missing = [name for name in names if name not in seen]
    if missing:
        raise ValueError("no @function entry for " + ", ".join(missing))
    return "\n".join(out) + "\n"


def cases(text):
    """(call, result) for every call the text shows after an arrow; result
    is an int, or "id" for any id (an int of 0 or more)."""
    made = []
    for line in text.splitlines():
        if not line.startswith(_CASE) or _ARROW not in line:
            continue
        call, _, rest = line[len(_CASE):].partition(_ARROW)
        result, colon, _ = rest.partition(": ")
        if not colon or "(" not in call:
            continue
        result = result.strip()
        if result.lstrip("-").isdigit():
            made.append((call, int(result)))
        elif result.endswith(" id"):
            made.append((call, "id"))
        else:
            raise ValueError(f"{call}: a result that is neither a number nor an id: {result}")
    return made

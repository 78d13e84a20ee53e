#!/usr/bin/env bash
# Runs the built quillet-cli on files: exit status, error line, files written.
set -u
CLI=$1; DATA=$2; WORK=$3
rm -rf "$WORK"; mkdir -p "$WORK"; cd "$WORK" || exit 1
passed=0; failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { if eval "$2"; then ok; else bad "$1"; fi; }

cp "$DATA/gen/worked-example/project.rpr" p.rpr
mkdir out other

"$CLI" --version > out.txt; check "version" '[ $? = 0 ] && grep -q "^quillet-cli 1.0.0.1$" out.txt'
"$CLI" --help > out.txt; check "help" '[ $? = 0 ] && grep -q "generate" out.txt'
"$CLI" > /dev/null 2> err.txt; check "no args: usage, 2" '[ $? = 2 ] && grep -q Usage err.txt'
"$CLI" frobnicate p.rpr 2> err.txt; check "unknown command: 2" '[ $? = 2 ]'
"$CLI" generate --bogus p.rpr 2> err.txt; check "unknown option: 2" '[ $? = 2 ]'
"$CLI" format 2> err.txt; check "format without project: 2" '[ $? = 2 ]'
"$CLI" generate --frobnicate p.rpr 2> err.txt; rc=$?
check "unknown option is named" '[ $rc = 2 ] && grep -q "^quillet-cli: unknown option .--frobnicate.$" err.txt'
"$CLI" generate --output-dir 2> err.txt; rc=$?
check "option without its value" '[ $rc = 2 ] && grep -q "option .--output-dir. needs a value" err.txt'
"$CLI" check p.rpr p.rpr 2> err.txt; check "too many operands: 2" '[ $? = 2 ] && grep -q "too many operands" err.txt'
"$CLI" check --help > out.txt; check "each command has --help" '[ $? = 0 ] && grep -q "^Usage: quillet-cli check" out.txt'

"$CLI" generate p.rpr 2> err.txt; rc=$?
check "generate writes the units" '[ $rc = 0 ] && [ ! -s err.txt ]'
for f in ResStr.pas ResStrEN.pas ResStrCZ.pas; do
  check "generate $f" 'cmp -s out/$f "$DATA/gen/worked-example/expected/$f"'
done

echo changed > out/ResStrEN.pas
"$CLI" generate p.rpr 2> err.txt; rc=$?
check "existing files are skipped" '[ $rc = 0 ] && [ "$(cat out/ResStrEN.pas)" = changed ] && [ $(grep -c "^skipped: $WORK/out/.* exists$" err.txt) = 3 ]'
"$CLI" generate --force p.rpr 2> err.txt; rc=$?
check "--force replaces" '[ $rc = 0 ] && cmp -s out/ResStrEN.pas "$DATA/gen/worked-example/expected/ResStrEN.pas"'
"$CLI" generate --output-dir other p.rpr 2> err.txt; rc=$?
check "--output-dir" '[ $rc = 0 ] && cmp -s other/ResStr.pas "$DATA/gen/worked-example/expected/ResStr.pas"'
rm -rf other; mkdir other
"$CLI" generate --output-dir=other -- p.rpr 2> err.txt; rc=$?
check "--opt=VALUE and -- end the options" '[ $rc = 0 ] && cmp -s other/ResStr.pas "$DATA/gen/worked-example/expected/ResStr.pas"'
"$CLI" generate --output-dir missing/deeper p.rpr 2> err.txt; rc=$?
check "cannot create: 1 and the error line" '[ $rc = 1 ] && [ "$(tail -n 1 err.txt)" = "error: Cannot create file missing/deeper/ResStr.pas" ]'

"$CLI" generate nothere.rpr 2> err.txt; rc=$?
check "missing project" '[ $rc = 1 ] && [ "$(tail -n 1 err.txt)" = "error: Cannot open file nothere.rpr" ]'
printf 'object TResProject\r\n  Strings.NumberIdBase = 0\r\nend\r\n' > bad.rpr
"$CLI" check bad.rpr > out.txt 2> err.txt; rc=$?
check "load error message" '[ $rc = 1 ] && [ "$(tail -n 1 err.txt)" = "error: Error reading TResProject.Strings.NumberIdBase: Invalid number ID base" ]'

"$CLI" format p.rpr formatted.rpr; rc=$?
check "format to OUT" '[ $rc = 0 ] && cmp -s p.rpr formatted.rpr'
cp "$DATA/rpr/worked-example.rpr" w.rpr
sed -i 's/Visible = True/visible = TRUE/' w.rpr
"$CLI" format w.rpr; rc=$?
check "format in place" '[ $rc = 0 ] && cmp -s w.rpr "$DATA/rpr/worked-example.rpr"'

"$CLI" check p.rpr > out.txt 2> err.txt; rc=$?
check "check clean project" '[ $rc = 0 ] && grep -q "^Items: 5$" out.txt && grep -q "^  CZ: 1 of 5 items with own text$" out.txt && grep -q "^Numbers: 1 to 13$" out.txt && [ ! -s err.txt ]'

cat > warn.rpr <<'RPR'
object TResProject
  Languages = <
    item
      TextId = 'EN'
      SourceLanguageId = 1
      Visible = True
    end
    item
      TextId = 'CZ'
      SourceLanguageId = 0
      Visible = True
      ResFileName = 'ResStr.pas'
    end
    item
      TextId = 'DE'
      SourceLanguageId = 9
      Visible = False
    end>
  Strings = <
    item
      TextId = 'has blank'
      NumberId = 70000
      StringConsts = <
        item
          Value = 'x'
          LanguageId = 4
        end>
    end
    item
      TextId = 'Long'
      NumberId = 1
      StringConsts = <
        item
          Value = 
            '0123456789012345678901234567890123456789012345678901234567890123' +
            '0123456789012345678901234567890123456789012345678901234567890123' +
            '0123456789012345678901234567890123456789012345678901234567890123' +
            '0123456789012345678901234567890123456789012345678901234567890123' +
            '0123'
          LanguageId = 0
        end>
    end>
end
RPR
"$CLI" check warn.rpr > out.txt 2> err.txt; rc=$?
check "check exits 0 with warnings" '[ $rc = 0 ]'
check "warning: identifier" 'grep -q "^warning: item 0 .*not a Pascal identifier" err.txt'
check "warning: number range" 'grep -q "^warning: item 0 .*70000 is outside" err.txt'
check "warning: dangling text" 'grep -q "^warning: item 0 .*names no language" err.txt'
check "warning: long text" 'grep -q "^warning: item 1 .*260 bytes" err.txt'
check "warning: same file" 'grep -q "^warning: the constants unit and language .CZ. write the same file" err.txt'
check "warning: loop" 'grep -q "^warning: language .EN.: the chain of source languages loops" err.txt'
check "warning: no source" 'grep -q "^warning: language .DE.: source language ID 9 names no language" err.txt'

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]

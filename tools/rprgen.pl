#!/usr/bin/perl
# Synthetic and damaged project files for the reader's differential run and
# for timing it.
#
#   rprgen.pl project ITEMS SEED     a project of ITEMS string items (7 languages)
#   rprgen.pl mutate SEED < IN       IN with a few random edits, to standard output
#
# Written in Perl (perl-base is part of every Debian system) so that it runs
# without building anything.
use strict;
use warnings;

binmode STDIN;
binmode STDOUT;

my ($mode, @args) = @ARGV;
die "usage: rprgen.pl project ITEMS SEED | mutate SEED\n" unless defined $mode;

# A string value as the writer lays it out: runs and #escapes, at most 64
# characters a line, a value over 64 starting on a line of its own.
sub value {
    my ($indent, @units) = @_;
    my $out = '';
    my $line = 0;
    my $in = 0;
    $out .= "\r\n" . ('  ' x ($indent + 1)) if @units > 64;
    for my $i (0 .. $#units) {
        my $u = $units[$i];
        my $plain = $u >= 32 && $u <= 127 && $u != 39;
        if ($plain && !$in) { $out .= "'"; $in = 1; }
        if (!$plain && $in) { $out .= "'"; $in = 0; }
        $out .= $plain ? chr($u) : "#$u";
        if (++$line == 64 && $i < $#units) {
            $out .= "'" if $in;
            $in = 0;
            $out .= " +\r\n" . ('  ' x ($indent + 1));
            $line = 0;
        }
    }
    $out .= "'" if $in;
    return @units ? $out : "''";
}

sub text_units {
    my ($i, $t) = @_;
    my @u = map { ord } split //, "Text ";
    push @u, 269, 237;    # "čí"
    push @u, map { ord } split //, "slo $i in language $t";
    push @u, (46) x 70 if $i % 10 == 0;
    if ($i % 13 == 0) { push @u, 13, 10, 39, 8364, 353 }
    if ($i % 29 == 0) { push @u, 55357, 56832 }    # a character beyond the code page
    return @u;
}

sub project {
    my ($items, $seed) = @_;
    srand($seed);
    my @langs = qw(CZ EN DE SK PL HU RU);
    my $s = "object TResProject\r\n  Languages = <";
    for my $l (0 .. $#langs) {
        $s .= "\r\n    item\r\n      TextId = '$langs[$l]'\r\n";
        $s .= "      SourceLanguageId = 0\r\n" if $l > 0;
        $s .= "      Visible = True\r\n      ResFileName = 'ResStr$langs[$l].pas'\r\n    end";
    }
    $s .= ">\r\n  Strings.NumberIdBase = 1\r\n  Strings = <";
    for my $i (0 .. $items - 1) {
        $s .= "\r\n    item\r\n      TextId = 'sItem$i'\r\n      NumberId = " . ($i + 1) . "\r\n";
        $s .= "      FixedId = True\r\n" if $i % 97 == 0;
        $s .= "      StringConsts = <";
        my $texts = 2 + $i % 2;
        for my $t (0 .. $texts - 1) {
            $s .= "\r\n        item\r\n          Value = " . value(5, text_units($i, $t)) . "\r\n";
            $s .= "          LanguageId = " . ($t * 2) . "\r\n        end";
        }
        $s .= ">\r\n    end";
    }
    $s .= ">\r\n  OutputDirectory = 'out'\r\n  ConstFileName = 'ResStr.pas'\r\n";
    $s .= "  StringIdPrefix = 'sid'\r\n  PtrIdPrefix = 'rsp'\r\n";
    $s .= "  Comment = " . value(1, map { ord } split //, "Generated project, seed $seed.") . "\r\nend\r\n";
    return $s;
}

# Pieces that steer a mutation towards the reader's less travelled paths.
my @pieces = (
    "'", "#", "+", "<", ">", "[", "]", "(", ")", "{", "}", "=", ".", ",", ":", "\r\n", " ", "\0",
    "item", "end", "END", "object", "inherited", "\$", "\$FFFFFFFF", "\$80000000", "\$7FFFFFFF",
    "\$FFFFFFFFFFFFFFFE", "-2147483648", "4294967296", "1.5", "1e3", "2S", "True", "false", "nil",
    "#55357", "#56832", "#128", "#0", "''''", "'x' + ", " + 'y'", "\xEF\xBB\xBF", "\xE9", "\x8A",
    "Name = 'MainForm'", "Name = '1x'", "Tag = 7", "Left = 70000", "Top = -1", "Version = 2",
    "LanguageId = 99", "NumberId = 1", "TextId = 'sItem1'", "TextId = 'cz'", "Visible = 1",
    "Strings.NumberIdBase = 0", "Comment.Text = 'x'", "Languages = <>", "StringConsts = <>",
    "object X: TFoo\r\n  end\r\n", "item [3]", "{00FF}", "[a, 1]", "(1 'a')",
);

sub mutate {
    my ($seed) = @_;
    srand($seed);
    local $/;
    my $text = <STDIN>;
    my $edits = 1 + int(rand(4));
    for (1 .. $edits) {
        my $len = length $text;
        my $at = int(rand($len + 1));
        my $kind = int(rand(9));
        if ($kind == 0) {
            substr($text, $at, 0) = chr(int(rand(256)));
        } elsif ($kind == 1) {
            substr($text, $at, 1 + int(rand(20))) = '' if $at < $len;
        } elsif ($kind <= 4) {
            substr($text, $at, 0) = $pieces[int(rand(@pieces))];
        } elsif ($kind == 5) {
            substr($text, $at, 1) = $pieces[int(rand(@pieces))] if $at < $len;
        } else {
            my @lines = split /(?<=\n)/, $text;
            next unless @lines > 2;
            my $a = int(rand(@lines));
            my $b = int(rand(@lines));
            if ($kind == 6) { splice @lines, $b, 0, $lines[$a] }
            elsif ($kind == 7) { splice @lines, $a, 1 }
            else { @lines[$a, $b] = @lines[$b, $a] }
            $text = join '', @lines;
        }
    }
    return $text;
}

if ($mode eq 'project') {
    print project($args[0] // 100, $args[1] // 1);
} elsif ($mode eq 'mutate') {
    print mutate($args[0] // 1);
} else {
    die "unknown mode $mode\n";
}

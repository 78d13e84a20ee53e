unit ResStrEN;

interface

uses Objects;

function StringGetter( AId: Word ): PString;

implementation

uses RString;

function StringGetter( AId: Word ): PString; assembler;
asm
         MOV   BX, [AId]
         SUB   BX, $0001
         JL    @Null
         CMP   BX, $0004
         JG    @Range2
         SHL   BX, 1
         MOV   AX, CS:[ OFFSET @Tab1 + BX ]
         JMP   @Exit
@Tab1:
         DW    OFFSET @S0001, OFFSET @S0002, OFFSET @S0003, 0             
         DW    OFFSET @S0005

@Range2:
         SUB   BX, $000C
         JL    @Null
         CMP   BX, $0000
         JG    @Null
         SHL   BX, 1
         MOV   AX, CS:[ OFFSET @Tab2 + BX ]
         JMP   @Exit
@Tab2:
         DW    OFFSET @S000D

@Null:
         XOR   AX, AX
         JMP   @Exit

@S0001:  DB   $05, 'Hello', 0
@S0002:  DB   $03, 'Bye', 0
@S0003:  DB   $42, 'The quick brown fox jumps over the lazy dog while the cat w'
         DB   'atches.', 0
@S0005:  DB   $14, 'Can', $27, 't open', $0D, 'the file.', 0
@S000D:  DB   $00, 0

@Exit:
         XOR   DX, DX
         OR    AX, AX
         JZ    @Exit2
         MOV   DX, CS
@Exit2:
end;

begin
  RSRegister( rslEN, StringGetter );
end.

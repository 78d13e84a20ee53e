unit ResStrCZ;

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
         CMP   BX, $0000
         JG    @Null
         SHL   BX, 1
         MOV   AX, CS:[ OFFSET @Tab1 + BX ]
         JMP   @Exit
@Tab1:
         DW    OFFSET @S0001

@Null:
         XOR   AX, AX
         JMP   @Exit

@S0001:  DB   $00, 0

@Exit:
         XOR   DX, DX
         OR    AX, AX
         JZ    @Exit2
         MOV   DX, CS
@Exit2:
end;

begin
  RSRegister( rslCZ, StringGetter );
end.

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
         JB    @Null
         CMP   BX, $0002
         JA    @Range2
         SHL   BX, 1
         MOV   AX, CS:[ OFFSET @Tab1 + BX ]
         JMP   @Exit
@Tab1:
         DW    OFFSET @S0001, OFFSET @S0002, OFFSET @S0003

@Range2:
         SUB   BX, $8FFF
         JB    @Null
         CMP   BX, $0001
         JA    @Null
         SHL   BX, 1
         MOV   AX, CS:[ OFFSET @Tab2 + BX ]
         JMP   @Exit
@Tab2:
         DW    OFFSET @S9000, OFFSET @S9001

@Null:
         XOR   AX, AX
         JMP   @Exit

@S0001:  DB   $06, 'Text 1', 0
@S0002:  DB   $06, 'Text 2', 0
@S0003:  DB   $06, 'Text 3', 0
@S9000:  DB   $0A, 'Text 36864', 0
@S9001:  DB   $0A, 'Text 36865', 0

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

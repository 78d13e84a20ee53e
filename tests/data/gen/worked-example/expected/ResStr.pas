unit ResStr;

interface

uses RString;

const
  sidHello       = $0001;
  sidBye         = $0002;
  sidLongMessage = $0003;
  sidCantOpen    = $0005;
  sidEmpty       = $000D;

const
  rspHello       = PRString( Ptr( 0, $0001 ) );
  rspBye         = PRString( Ptr( 0, $0002 ) );
  rspLongMessage = PRString( Ptr( 0, $0003 ) );
  rspCantOpen    = PRString( Ptr( 0, $0005 ) );
  rspEmpty       = PRString( Ptr( 0, $000D ) );

implementation

end.

unit ResStr;

interface

uses RString;

const
  sidHello = $0001;
  sidBye   = $0002;

const
  rspHello = PRString( Ptr( 0, $0001 ) );
  rspBye   = PRString( Ptr( 0, $0002 ) );

implementation

end.
